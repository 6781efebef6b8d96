// What the class factory tells the user when a component object cannot be
// constructed: a stop message box captioned "DAX Error".
#pragma once

#include <string>

namespace qorvid {

// The message as shown: a full stop is added when the text ends in a
// character that sorts after it (a letter or a digit, for example).
std::string ConstructionErrorText(const std::string& message);

void ShowConstructionError(const std::string& message);

}  // namespace qorvid

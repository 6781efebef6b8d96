// The text of the console's help command.
#pragma once

#include <string>

namespace qorvid::host {

const std::string& HelpText();

}  // namespace qorvid::host

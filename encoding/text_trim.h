// Trimming as the component's texts are trimmed: every character of code 0
// to 32 (blanks and control characters) goes from both ends; cp1251 letters,
// whose bytes are above 127, stay.
#pragma once

#include <string>

namespace qorvid {

std::string TrimControlAndBlanks(const std::string& text);

}  // namespace qorvid

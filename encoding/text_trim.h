// Trimming as the component's texts are trimmed: every character of code 0
// to 32 (blanks and control characters) goes from both ends; every other
// character, whose UTF-8 bytes are all above 127, stays. The one rule for PrepareQuery's text, the
// Time text and the error log's "nothing to say".
#pragma once

#include <string>

#include "platform/bstr.h"

namespace qorvid {

// A character the trimming removes: code 0 to 32.
constexpr bool IsBlankOrControl(unsigned long code) { return code <= 32; }

std::string TrimControlAndBlanks(const std::string& text);
// Whether nothing would be left of the text after trimming.
bool BlankOrControlOnly(const WideString& text);

}  // namespace qorvid

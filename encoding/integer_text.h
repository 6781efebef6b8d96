// Reading a 32-bit signed integer from the number texts of a host object's
// internal string form.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

// Leading blanks, an optional "+" or "-", then decimal digits, or hex digits
// after a "$", "x" or "0x" prefix (either case); nothing may follow. The
// signed value must fit 32 bits, hex ones included. Anything else raises a
// ComponentError "'<text>' is not a valid integer value" quoting text as it
// was given.
LONG IntegerFromText(const std::string& text);

}  // namespace qorvid

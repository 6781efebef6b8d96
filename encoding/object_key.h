// The 16-character object key under which a host object is stored in a
// column: type identifier, first number and object number in six base-36
// characters each, three-character suffix, every blank written as "_".
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

// n from 0 to 2147483646 as six base-36 characters, blanks on the left.
std::string EncodeBase36(LONG n);
// A base-36 text of at most 6 capital digits after trimming; blank gives 0.
LONG DecodeBase36(const std::string& text);
// The key of an internal string form, short (7 items, item 6 of 13
// characters) or long (item 3 "0", item 6 of 23 characters).
std::string ObjectKeyFromInternal(const std::string& internal);
// The short internal string form of a key.
std::string InternalFromObjectKey(const std::string& key);
// All four raise a ComponentError with a Russian message on bad input and
// change nothing.

}  // namespace qorvid

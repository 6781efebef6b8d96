// Results as the console shows them: the value as a script would write it,
// and its kind, e.g. `42 (integer)`, `"Bolt" (text)`, `"" (empty text)`.
#pragma once

#include <string>

#include "host/console/host_side.h"
#include "platform/win32.h"

namespace qorvid::host {

// The value and its kind, for "= ..." lines.
std::string DisplayValue(const VARIANT& value, HostSide& host);
// The value alone, as a table cell: texts unquoted, numbers and dates plain;
// control characters shown as in QuotedText unless raw (CSV quotes them).
std::string CellText(const VARIANT& value, HostSide& host, bool raw = false);
// A text in double quotes with "" for a quote; line breaks, tabs and other
// control characters shown as \r, \n, \t and \xHH so that nothing is hidden.
std::string QuotedText(const std::string& utf8);

}  // namespace qorvid::host

// Calendar parts to and from the automation date number (days since
// 1899-12-30, the time of day as the fraction; before that day the fraction
// still counts forwards from midnight).
#pragma once

#include <string>

#include "platform/ole_date.h"
#include "platform/win32.h"

namespace qorvid::host {

using ScriptDate = platform::DateTimeParts;

// Empty when the parts name a real moment between the years 100 and 9999;
// otherwise what is wrong with them.
std::string CheckScriptDate(const ScriptDate& parts);
DATE ScriptDateNumber(const ScriptDate& parts);
// Rounded to the millisecond.
ScriptDate ScriptDateFromNumber(DATE date);
// yyyy-mm-dd hh:mm:ss, with .mmm only when the milliseconds are not 0.
std::string DateDisplayText(DATE date);

}  // namespace qorvid::host

// Date-time text: one fixed layout, year-month-day and a 24-hour time,
// whatever the regional settings say.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

// n above 9 as it is, anything else with a "0" in front ("07", "00").
std::string TwoDigitText(LONG n);

// "yyyy-mm-dd hh:mm:ss" of an OLE automation date (the year with at least
// four digits), then ".fff" (always three digits) when the millisecond is not
// 0. A non-empty timeText, trimmed of characters 0 to 32, stands in for the
// whole time of day. Dates outside year 1 to 65535 write year, month and day
// as "0000-00-00"; a value with no millisecond count at all (NaN,
// infinities, beyond 64 bits of milliseconds) also writes its time as
// 00:00:00.
std::string DateTimeText(const std::string& timeText, double value);

// "hh:mm:ss", then ".fff" when the millisecond is not 0.
std::string TimeOfDayText(unsigned hour, unsigned minute, unsigned second, unsigned millisecond);

// Whether the date, taken to the nearest millisecond, lies in the years 100
// to 9999 that OLE dates span.
bool InOleDateYears(double value);

}  // namespace qorvid

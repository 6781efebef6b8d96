#include "host/console/script_date.h"

#include <cmath>

namespace qorvid::host {

namespace {
const long long kMsPerDay = 86400000LL;
}  // namespace

std::string CheckScriptDate(const ScriptDate& p) {
  if (p.year < 100 || p.year > 9999) return "the year must lie between 100 and 9999";
  if (p.month < 1 || p.month > 12) return "the month must lie between 1 and 12";
  if (p.day < 1 || p.day > platform::DaysInMonth(p.year, p.month))
    return "that month has no such day";
  if (p.hour < 0 || p.hour > 23) return "the hour must lie between 0 and 23";
  if (p.minute < 0 || p.minute > 59) return "the minute must lie between 0 and 59";
  if (p.second < 0 || p.second > 59) return "the second must lie between 0 and 59";
  if (p.millisecond < 0 || p.millisecond > 999)
    return "the milliseconds must lie between 0 and 999";
  return std::string();
}

DATE ScriptDateNumber(const ScriptDate& p) {
  const double time =
      static_cast<double>(((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond) /
      static_cast<double>(kMsPerDay);
  return platform::OleDateFromDayAndTime(platform::OleDayFromCivil(p.year, p.month, p.day), time);
}

ScriptDate ScriptDateFromNumber(DATE date) {
  double whole = std::trunc(date);
  long long ms = std::llround(std::fabs(date - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    // Rounding reached the next midnight, which lies one day further from
    // the epoch on either side of it.
    ms = 0;
    whole += date >= 0 ? 1 : -1;
  }
  ScriptDate p;
  const platform::CivilDate civil = platform::CivilFromOleDay(static_cast<long long>(whole));
  p.year = static_cast<int>(civil.year);
  p.month = civil.month;
  p.day = civil.day;
  p.millisecond = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.hour = static_cast<int>(ms / 3600000);
  return p;
}

std::string DateDisplayText(DATE date) {
  // Outside the years 100 to 9999 there is no calendar date to show.
  if (!std::isfinite(date) || date < -657435.0 || date >= 2958466.0) return "(date out of range)";
  const ScriptDate p = ScriptDateFromNumber(date);
  char buf[64];
  platform::FormatDateTimeText(p, buf, sizeof buf);
  return buf;
}

}  // namespace qorvid::host

#include "host/console/ole_date.h"

#include <cmath>
#include <cstdio>

namespace qorvid::host {

namespace {
// Days from 0000-03-01 style civil reckoning (proleptic Gregorian).
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const long kEpoch = DaysFromCivil(1899, 12, 30);
const long long kMsPerDay = 86400000LL;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}
}  // namespace

std::string CheckScriptDate(const ScriptDate& p) {
  if (p.year < 100 || p.year > 9999) return "the year must lie between 100 and 9999";
  if (p.month < 1 || p.month > 12) return "the month must lie between 1 and 12";
  if (p.day < 1 || p.day > DaysInMonth(p.year, p.month)) return "that month has no such day";
  if (p.hour < 0 || p.hour > 23) return "the hour must lie between 0 and 23";
  if (p.minute < 0 || p.minute > 59) return "the minute must lie between 0 and 59";
  if (p.second < 0 || p.second > 59) return "the second must lie between 0 and 59";
  if (p.millisecond < 0 || p.millisecond > 999)
    return "the milliseconds must lie between 0 and 999";
  return std::string();
}

DATE ScriptDateNumber(const ScriptDate& p) {
  const double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kEpoch);
  const double time =
      static_cast<double>(((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond) /
      static_cast<double>(kMsPerDay);
  return days >= 0 ? days + time : days - time;
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
  CivilFromDays(static_cast<long>(whole) + kEpoch, p.year, p.month, p.day);
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
  if (p.millisecond)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.millisecond);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  return buf;
}

}  // namespace qorvid::host

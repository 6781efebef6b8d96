// The calendar arithmetic of automation dates, once for every module: a DATE
// counts days from 30 December 1899 (day 0) in the proleptic Gregorian
// calendar, and its fraction is the time of day. Before day 0 the day is the
// whole part taken toward zero and the fraction still counts forwards from
// midnight, so -1.25 is 29 December 1899, 06:00.
//
// Header-only and using only the C library on purpose: the native CDate
// extension for SQLite's ODBC driver compiles it too, for an architecture
// that has no C++ library at hand.
#pragma once

#include <stddef.h>
#include <stdio.h>

namespace qorvid::platform {

// 1 January 1970 is day 25569.
constexpr long long kOleDayOfUnixEpoch = 25569;

constexpr bool IsLeapYear(long long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days in month 1-12 of the year.
constexpr int DaysInMonth(long long year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

struct CivilDate {
  long long year = 1899;
  int month = 12, day = 30;
};

// The day number of a date (month 1-12, day 1-31), by H. Hinnant's day count.
constexpr long long OleDayFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + kOleDayOfUnixEpoch;
}

// The date of a day number.
constexpr CivilDate CivilFromOleDay(long long oleDay) {
  const long long days = oleDay - kOleDayOfUnixEpoch + 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long mp = (5 * dayOfYear + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

// The DATE of a day number and a time of day (a fraction of a day, 0 <= t < 1).
constexpr double OleDateFromDayAndTime(long long oleDay, double timeOfDay) {
  const double day = static_cast<double>(oleDay);
  return oleDay < 0 ? day - timeOfDay : day + timeOfDay;
}

// A moment in calendar parts; the default is day 0, midnight.
struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// "yyyy-mm-dd hh:mm:ss", with ".fff" only when the milliseconds are not 0:
// one text per moment, which sorts and compares as the moments do. 40 bytes
// hold any year of int.
inline void FormatDateTimeText(const DateTimeParts& p, char* out, size_t size) {
  if (p.millisecond)
    snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
             p.minute, p.second, p.millisecond);
  else
    snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
             p.second);
}

static_assert(OleDayFromCivil(1899, 12, 30) == 0, "day 0");
static_assert(OleDayFromCivil(1970, 1, 1) == kOleDayOfUnixEpoch, "1970");
static_assert(CivilFromOleDay(-1).day == 29, "day -1");

}  // namespace qorvid::platform

// Date-time text for any automation date: the calendar date and the time of
// day, to the nearest millisecond, read back from the text to the value
// (checked here through the inverse calendar function); years outside 1 to
// 65535 written as "0000-00-00"; a time text stands in for the time as given,
// trimmed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "encoding/date_time_text.h"
#include "encoding/text_trim.h"
#include "tests/fuzz/finding.h"

using namespace qorvid;

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t bytes[8] = {};
  std::memcpy(bytes, data, size < 8 ? size : 8);
  double value;
  std::memcpy(&value, bytes, sizeof value);
  const std::string timeText =
      size > 8 ? std::string(reinterpret_cast<const char*>(data) + 8, size - 8) : std::string();

  const std::string text = DateTimeText(timeText, value);
  const std::string plain = DateTimeText("", value);
  const std::string context = Printable(text) + " for " + DoubleText(value);
  const size_t blank = plain.find(' ');
  if (blank == std::string::npos) Finding("no blank between date and time", Printable(plain));
  if (!timeText.empty()) {
    if (text != plain.substr(0, blank + 1) + TrimControlAndBlanks(timeText))
      Finding("time text not put in as given", context);
    return 0;
  }

  long long year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  int consumed = 0;
  char tail[8] = {};
  int fields = std::sscanf(text.c_str(), "%lld-%2u-%2u %2u:%2u:%2u%n", &year, &month, &day, &hour,
                           &minute, &second, &consumed);
  if (fields != 6) Finding("not a date-time text", context);
  const std::string rest = text.substr(consumed);
  if (fields == 6 && text.find('-') < 4) Finding("year of fewer than four digits", context);
  // Three digits always: ".5" would read back as 500 ms.
  if (!rest.empty() &&
      (std::sscanf(rest.c_str(), ".%3u%7s", &ms, tail) != 1 || ms == 0 || rest.size() != 4))
    Finding("bad millisecond part", context);

  const double total = std::round(value * 86400000.0);
  const bool counted = total > -9.2e18 && total < 9.2e18;
  const int64_t count = counted ? static_cast<int64_t>(total) : 0;
  const int64_t days = count / 86400000;
  const int64_t ofDay = count % 86400000 < 0 ? -(count % 86400000) : count % 86400000;
  const int64_t first = DaysFromCivil(1, 1, 1), last = DaysFromCivil(65535, 12, 31);
  const int64_t unixDay = days - 25569;
  if (year == 0) {
    if (month != 0 || day != 0) Finding("partial date", context);
    if (counted && unixDay >= first && unixDay <= last)
      Finding("date in range written as 00", context);
  } else {
    if (year < 1 || year > 65535 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
      Finding("no such date", context);
    if (DaysFromCivil(year, month, day) != unixDay) Finding("wrong date", context);
  }
  if (hour > 23 || minute > 59 || second > 59) Finding("no such time", context);
  const int64_t written = ((hour * 60 + minute) * 60 + second) * 1000 + ms;
  if (written != ofDay) Finding("wrong time of day", context);
  return 0;
}

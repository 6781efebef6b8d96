#include "encoding/date_time_text.h"

#include <cmath>
#include <cstdint>

#include "encoding/text_trim.h"
#include "platform/ole_date.h"

namespace qorvid {

namespace {

const int64_t kMillisecondsPerDay = 86400000;
// Parts are 16-bit numbers; years beyond that are not written.
const int64_t kLastYear = 65535;

struct DateParts {
  unsigned year = 0, month = 0, day = 0;
  unsigned hour = 0, minute = 0, second = 0, millisecond = 0;
};

DateParts Decode(double value) {
  DateParts parts;
  // Nearest millisecond first, so that a time a fraction of a millisecond
  // before midnight carries into the next day.
  const double total = std::round(value * static_cast<double>(kMillisecondsPerDay));
  // NaN fails both comparisons; 9.2e18 keeps the conversion inside int64.
  if (!(total > -9.2e18 && total < 9.2e18)) return parts;
  const int64_t count = static_cast<int64_t>(total);
  // Days toward zero, the time of day as the remainder's magnitude.
  const int64_t days = count / kMillisecondsPerDay;
  int64_t ofDay = count % kMillisecondsPerDay;
  if (ofDay < 0) ofDay = -ofDay;

  const platform::CivilDate date = platform::CivilFromOleDay(days);
  if (date.year >= 1 && date.year <= kLastYear) {
    parts.year = static_cast<unsigned>(date.year);
    parts.month = static_cast<unsigned>(date.month);
    parts.day = static_cast<unsigned>(date.day);
  }
  parts.millisecond = static_cast<unsigned>(ofDay % 1000);
  ofDay /= 1000;
  parts.second = static_cast<unsigned>(ofDay % 60);
  ofDay /= 60;
  parts.minute = static_cast<unsigned>(ofDay % 60);
  parts.hour = static_cast<unsigned>(ofDay / 60);
  return parts;
}

// At least four digits: a database reads "0999-01-01" as year 999, while
// "999-01-01" is refused or, worse, taken as a two-digit year.
std::string YearText(unsigned year) {
  std::string digits = std::to_string(year);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return digits;
}

// Always three digits: ".5" would be read as 500 ms, not 5.
std::string MillisecondText(unsigned millisecond) {
  std::string digits = std::to_string(millisecond);
  digits.insert(0, 3 - digits.size(), '0');
  return "." + digits;
}

}  // namespace

std::string TwoDigitText(LONG n) {
  if (n > 9) return std::to_string(n);
  return "0" + std::to_string(n);
}

std::string DateTimeText(const std::string& timeText, double value) {
  const DateParts p = Decode(value);
  std::string text = YearText(p.year) + "-" + TwoDigitText(static_cast<LONG>(p.month)) + "-" +
                     TwoDigitText(static_cast<LONG>(p.day)) + " ";
  if (!timeText.empty()) return text + TrimControlAndBlanks(timeText);
  return text + TimeOfDayText(p.hour, p.minute, p.second, p.millisecond);
}

std::string TimeOfDayText(unsigned hour, unsigned minute, unsigned second, unsigned millisecond) {
  std::string text = TwoDigitText(static_cast<LONG>(hour)) + ":" +
                     TwoDigitText(static_cast<LONG>(minute)) + ":" +
                     TwoDigitText(static_cast<LONG>(second));
  if (millisecond != 0) text += MillisecondText(millisecond);
  return text;
}

bool InOleDateYears(double value) {
  const unsigned year = Decode(value).year;
  return year >= 100 && year <= 9999;
}

}  // namespace qorvid

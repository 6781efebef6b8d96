#include "encoding/date_time_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace qorvid {

namespace {

const double kDay = 86400000.0;  // milliseconds
// 5 March 2004 at h:m:s.ms as an automation date.
double March5(int h, int m, int s, double ms) {
  return 38051 + (((h * 60 + m) * 60 + s) * 1000 + ms) / kDay;
}

TEST(TwoDigitText, WidensOnlyBelowTen) {
  const struct {
    LONG n;
    const char* text;
  } cases[] = {{0, "00"},  {7, "07"},    {9, "09"},     {10, "10"},
               {12, "12"}, {999, "999"}, {2004, "2004"}};
  for (const auto& c : cases) EXPECT_EQ(TwoDigitText(c.n), c.text) << c.n;
}

struct Case {
  const char* timeText;
  double value;
  const char* text;
};

TEST(DateTimeText, WritesFixedLayout) {
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"", March5(9, 7, 3, 250), "2004-03-05 09:07:03.250"},
      {"", March5(9, 7, 3, 0), "2004-03-05 09:07:03"},
      // Always three digits: ".5" would read back as 500 ms.
      {"", March5(9, 7, 3, 5), "2004-03-05 09:07:03.005"},
      {"", March5(9, 7, 3, 50), "2004-03-05 09:07:03.050"},
      {"", March5(9, 7, 3, 100), "2004-03-05 09:07:03.100"},
      {"", March5(9, 7, 3, 999), "2004-03-05 09:07:03.999"},
      {"", March5(9, 7, 3, 0.4), "2004-03-05 09:07:03"},
      {"", March5(9, 7, 3, 0.6), "2004-03-05 09:07:03.001"},
      {"", March5(9, 7, 59, 999.5), "2004-03-05 09:08:00"},
      {"", March5(0, 0, 0, 0), "2004-03-05 00:00:00"},
      {"", 38051 + 1.0 / 24, "2004-03-05 01:00:00"},
      // Nearest millisecond first: the date moves on with the carry.
      {"", March5(23, 59, 59, 999.6), "2004-03-06 00:00:00"},
      {"", March5(23, 59, 59, 999.4), "2004-03-05 23:59:59.999"},
      {"", 0, "1899-12-30 00:00:00"},
      {"", 1, "1899-12-31 00:00:00"},
      {"", 2, "1900-01-01 00:00:00"},
      // Negative dates: days toward zero, the fraction's magnitude as time.
      {"", -1.25, "1899-12-29 06:00:00"},
      {"", -0.25, "1899-12-30 06:00:00"},
      {"", 60, "1900-02-28 00:00:00"},
      {"", 61, "1900-03-01 00:00:00"},
      {"", 36585, "2000-02-29 00:00:00"},
      {"", 2958465.5, "9999-12-31 12:00:00"},
      // Years below 1000 in four digits, as databases read them.
      {"", -657434, "0100-01-01 00:00:00"},
      {"", -329022, "0999-03-01 00:00:00"},
      {"", -693593, "0001-01-01 00:00:00"},
      // Before year 1 (and beyond 65535) the date is zeros; the time of day is still decoded.
      {"", -693594.25, "0000-00-00 06:00:00"},
      {"", 24000000.5, "0000-00-00 12:00:00"},
      {"", 1e300, "0000-00-00 00:00:00"},
      {"", -1e300, "0000-00-00 00:00:00"},
      {"", std::numeric_limits<double>::quiet_NaN(), "0000-00-00 00:00:00"},
      {"", inf, "0000-00-00 00:00:00"},
      {"", -inf, "0000-00-00 00:00:00"},
      // A time text replaces the whole time of day, trimmed of codes 0-32.
      {" 10:20 ", March5(9, 7, 3, 250), "2004-03-05 10:20"},
      {"\t10:20\r\n", March5(9, 7, 3, 0), "2004-03-05 10:20"},
      {"10 : 20", March5(0, 0, 0, 0), "2004-03-05 10 : 20"},
      {"   ", March5(9, 7, 3, 0), "2004-03-05 "},
      {"noon", 1e300, "0000-00-00 noon"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateTimeText(c.timeText, c.value), c.text) << c.value << " '" << c.timeText << "'";
}

TEST(DateTimeText, KeepsCp1251LettersAtTheEdgesOfTheTimeText) {
  // "\xDF" is a cp1251 capital letter: a signed char below 0, not a blank.
  EXPECT_EQ(DateTimeText("\xDF 10 \xDF ", 38051), "2004-03-05 \xDF 10 \xDF");
}

}  // namespace

}  // namespace qorvid

#include "host/console/script_date.h"

#include <gtest/gtest.h>

namespace qorvid::host {

namespace {

struct Moment {
  DATE value;
  const char* text;
};

TEST(OleDate, ShowsDateNumbersOnBothSidesOfTheEpoch) {
  const Moment cases[] = {
      {0.0, "1899-12-30 00:00:00"},
      {1.5, "1899-12-31 12:00:00"},
      {2.0, "1900-01-01 00:00:00"},
      // Before the epoch the fraction still counts forwards from midnight.
      {-1.25, "1899-12-29 06:00:00"},
      {-0.25, "1899-12-30 06:00:00"},
      {38051.0, "2004-03-05 00:00:00"},
      {38051.25, "2004-03-05 06:00:00"},
      {60.0, "1900-02-28 00:00:00"},
      {61.0, "1900-03-01 00:00:00"},
      {2958465.0, "9999-12-31 00:00:00"},
      {-657434.0, "0100-01-01 00:00:00"},
      {1e300, "(date out of range)"},
      {-1e300, "(date out of range)"},
  };
  for (const Moment& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DateDisplayText(c.value), c.text);
  }
}

TEST(OleDate, PartsRoundTripThroughTheDateNumber) {
  const ScriptDate cases[] = {
      {2004, 3, 5, 9, 7, 3, 250}, {2004, 3, 5, 0, 0, 0, 0},      {2000, 2, 29, 23, 59, 59, 999},
      {1899, 12, 30, 0, 0, 0, 5}, {1899, 12, 29, 6, 0, 0, 0},    {1850, 7, 1, 13, 30, 0, 0},
      {100, 1, 1, 0, 0, 0, 0},    {9999, 12, 31, 23, 59, 59, 0}, {1970, 1, 1, 0, 0, 1, 0},
  };
  for (const ScriptDate& p : cases) {
    SCOPED_TRACE(p.year * 10000 + p.month * 100 + p.day);
    EXPECT_EQ(CheckScriptDate(p), "");
    const ScriptDate back = ScriptDateFromNumber(ScriptDateNumber(p));
    EXPECT_EQ(back.year, p.year);
    EXPECT_EQ(back.month, p.month);
    EXPECT_EQ(back.day, p.day);
    EXPECT_EQ(back.hour, p.hour);
    EXPECT_EQ(back.minute, p.minute);
    EXPECT_EQ(back.second, p.second);
    EXPECT_EQ(back.millisecond, p.millisecond);
  }
}

TEST(OleDate, MillisecondsShowOnlyWhenPresentAndRoundIntoTheNextDay) {
  ScriptDate p{2004, 3, 5, 9, 7, 3, 250};
  EXPECT_EQ(DateDisplayText(ScriptDateNumber(p)), "2004-03-05 09:07:03.250");
  p.millisecond = 5;
  EXPECT_EQ(DateDisplayText(ScriptDateNumber(p)), "2004-03-05 09:07:03.005");
  // 23:59:59.9996 is nearer the next midnight than any millisecond of the day.
  EXPECT_EQ(DateDisplayText(38051.0 + 86399.9996 / 86400.0), "2004-03-06 00:00:00");
  EXPECT_EQ(DateDisplayText(-(2.0 + 86399.9996 / 86400.0)), "1899-12-27 00:00:00");
}

TEST(OleDate, RejectsPartsThatNameNoMoment) {
  const ScriptDate bad[] = {
      {2003, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2004, 4, 31, 0, 0, 0, 0},
      {2004, 0, 1, 0, 0, 0, 0},  {2004, 1, 0, 0, 0, 0, 0},  {2004, 1, 1, -1, 0, 0, 0},
      {2004, 1, 1, 0, 60, 0, 0}, {2004, 1, 1, 0, 0, 60, 0}, {10000, 1, 1, 0, 0, 0, 0},
  };
  for (const ScriptDate& p : bad) EXPECT_NE(CheckScriptDate(p), "");
}

}  // namespace

}  // namespace qorvid::host

#include "ado/results/cell_values.h"

#include <gtest/gtest.h>

#include "ado/engines/connection_string.h"

namespace qorvid::ado {

namespace {

struct DateCase {
  const char* text;
  bool valid;
  const char* normalized;
};

TEST(DateText, AcceptsTheThreeWrittenFormsAndNothingElse) {
  const DateCase cases[] = {
      {"2004-03-05", true, "2004-03-05 00:00:00"},
      {"2004-03-05 10:20", true, "2004-03-05 10:20:00"},
      {" 2004-03-05 10:20 ", true, "2004-03-05 10:20:00"},
      {"2004-03-05 09:07:03", true, "2004-03-05 09:07:03"},
      {"2004-03-05 09:07:03.250", true, "2004-03-05 09:07:03.250"},
      {"2004-03-05 09:07:03.5", true, "2004-03-05 09:07:03.500"},
      {"2004-03-05T09:07:03", true, "2004-03-05 09:07:03"},
      {"2000-02-29", true, "2000-02-29 00:00:00"},
      {"1900-02-29", false, nullptr},
      {"2004-02-30", false, nullptr},
      {"2004-13-01", false, nullptr},
      {"2004-03-05 24:00", false, nullptr},
      {"2004-03-05 10:60", false, nullptr},
      {"2004-03-05 10", false, nullptr},
      {"2004-03-05 10:20:", false, nullptr},
      {"2004-03-05 10:20:00.", false, nullptr},
      {"2004-3-5", false, nullptr},
      {"05.03.2004", false, nullptr},
      {"", false, nullptr},
      {"2004-03-05x", false, nullptr},
  };
  for (const DateCase& c : cases) {
    DateParts p;
    EXPECT_EQ(c.valid, ParseDateText(c.text, &p)) << c.text;
    if (c.valid) {
      EXPECT_EQ(c.normalized, NormalizedDateText(p)) << c.text;
    }
  }
}

TEST(DateText, NormalizedTextsSortAsTheMomentsDo) {
  const char* ordered[] = {"2004-03-05", "2004-03-05 00:00:00.001", "2004-03-05 00:00:01",
                           "2004-03-05 10:20", "2004-03-06"};
  std::string previous;
  for (const char* t : ordered) {
    DateParts p;
    ASSERT_TRUE(ParseDateText(t, &p));
    std::string n = NormalizedDateText(p);
    EXPECT_LT(previous, n) << t;
    previous = n;
  }
}

TEST(DateText, AutomationDateCountsFromDayZeroAndKeepsTheTimeOfEarlierDays) {
  struct {
    const char* text;
    double date;
  } cases[] = {
      {"1899-12-30", 0.0},
      {"1899-12-31 12:00", 1.5},
      {"1899-12-29 06:00", -1.25},
      {"2004-03-05", 38051.0},
      {"2004-03-05 10:20", 38051.430555555555},
      {"2004-03-05 09:07:03.250", 38051.37989872685},
  };
  for (const auto& c : cases) {
    DateParts p;
    ASSERT_TRUE(ParseDateText(c.text, &p)) << c.text;
    EXPECT_NEAR(c.date, DateFromParts(p), 1e-9) << c.text;
  }
}

TEST(DecimalText, ParsesDigitsScaleSignAndExponent) {
  struct {
    const char* text;
    bool ok;
    ULONGLONG lo64;
    ULONG hi32;
    int scale;
    bool negative;
  } cases[] = {
      {"12.34", true, 1234, 0, 2, false},
      {"-0.5", true, 5, 0, 1, true},
      {"+7", true, 7, 0, 0, false},
      {"-0", true, 0, 0, 0, false},
      {"1e3", true, 1000, 0, 0, false},
      {"1.5E-2", true, 15, 0, 3, false},
      {"18446744073709551616", true, 0, 1, 0, false},  // 2^64: into the high word
      {"79228162514264337593543950335", true, 0xFFFFFFFFFFFFFFFFULL, 0xFFFFFFFF, 0, false},
      {"79228162514264337593543950336", false, 0, 0, 0, false},
      {"1e40", false, 0, 0, 0, false},
      {"abc", false, 0, 0, 0, false},
      {"", false, 0, 0, 0, false},
      {"1.2.3", false, 0, 0, 0, false},
      {"1e", false, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    DECIMAL d;
    ASSERT_EQ(c.ok, DecimalFromText(c.text, &d)) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(c.lo64, d.Lo64) << c.text;
    EXPECT_EQ(c.hi32, d.Hi32) << c.text;
    EXPECT_EQ(c.scale, d.scale) << c.text;
    EXPECT_EQ(c.negative ? DECIMAL_NEG : 0, d.sign) << c.text;
  }
}

TEST(ConnectionStringText, FindsKeysWithoutRegardToCaseAndReadsQuotedValues) {
  ConnectionString s(
      OLESTR("Provider=SQLite; data source = /tmp/a b.db ;Pwd={x;y};Extra='q;r';novalue;Empty="));
  struct {
    const OLECHAR* key;
    bool found;
    const OLECHAR* value;
  } cases[] = {
      {OLESTR("PROVIDER"), true, OLESTR("SQLite")},
      {OLESTR("Data Source"), true, OLESTR("/tmp/a b.db")},
      {OLESTR("pwd"), true, OLESTR("x;y")},
      {OLESTR("extra"), true, OLESTR("q;r")},
      {OLESTR("Empty"), true, OLESTR("")},
      {OLESTR("novalue"), false, OLESTR("")},
      {OLESTR("Database"), false, OLESTR("")},
  };
  for (const auto& c : cases) {
    WideString v;
    EXPECT_EQ(c.found, s.find(c.key, &v));
    if (c.found) {
      EXPECT_EQ(WideString(c.value), v);
    }
  }
}

}  // namespace

}  // namespace qorvid::ado

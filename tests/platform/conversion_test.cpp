// VariantChangeTypeEx in US English (0x0409) and Russian (0x0419), as the
// component relies on it: numbers and dates to text, text and numbers to
// integers, booleans, doubles, currency, decimals and dates. The same tables
// run natively against platform/ and, cross-built, against oleaut32 under
// Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/conversion_support.h"

using namespace conversion_test;

namespace {

struct Row {
  const char* label;
  Variant value;
  VARTYPE vt;
  std::string english;
  std::string russian;
};

const std::string kMismatch = Failure(DISP_E_TYPEMISMATCH);
const std::string kOverflow = Failure(DISP_E_OVERFLOW);

void CheckRows(const std::vector<Row>& rows, bool russianTimes = false) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(Converted(row.value, kEnglish, row.vt), row.english);
    std::string russian = row.russian;
    if (russianTimes && RunningUnderWine()) russian = WineTimeForm(russian);
    EXPECT_EQ(Converted(row.value, kRussian, row.vt), russian);
  }
}

// Windows writes the locale's separator in E-notation too, plain notation
// down to about 1E-11, and rounds ties away from zero; Wine 8 writes
// "1E-05", keeps the point in E-notation and rounds ties to even. Its forms
// (wine, English then Russian) are accepted only when it is the one running.
TEST(ConversionToText, FloatingPointUsesSignificantDigitsAndLocaleSeparator) {
  struct FloatRow {
    Row row;
    const char* wineEnglish;
    const char* wineRussian;
  };
  const FloatRow rows[] = {
      {{"R8 2.5", R8(2.5), VT_BSTR, Text("2.5"), Text("2,5")}, nullptr, nullptr},
      {{"R8 1/3", R8(1.0 / 3), VT_BSTR, Text("0.333333333333333"), Text("0,333333333333333")},
       nullptr,
       nullptr},
      {{"R8 1e20", R8(1e20), VT_BSTR, Text("1E+20"), Text("1E+20")}, nullptr, nullptr},
      {{"R8 0.00001", R8(0.00001), VT_BSTR, Text("0.00001"), Text("0,00001")}, "1E-05", "1E-05"},
      {{"R8 1.25e-5", R8(1.25e-5), VT_BSTR, Text("0.0000125"), Text("0,0000125")},
       "1.25E-05",
       "1.25E-05"},
      {{"R8 5.6789e-11", R8(5.6789e-11), VT_BSTR, Text("0.000000000056789"),
        Text("0,000000000056789")},
       "5.6789E-11",
       "5.6789E-11"},
      {{"R8 5.6789e-12", R8(5.6789e-12), VT_BSTR, Text("5.6789E-12"), Text("5,6789E-12")},
       nullptr,
       "5.6789E-12"},
      {{"R8 0.0001234", R8(0.0001234), VT_BSTR, Text("0.0001234"), Text("0,0001234")},
       nullptr,
       nullptr},
      {{"R8 123456789012345678", R8(123456789012345678.0), VT_BSTR, Text("1.23456789012346E+17"),
        Text("1,23456789012346E+17")},
       nullptr,
       "1.23456789012346E+17"},
      {{"R8 1e15", R8(1e15), VT_BSTR, Text("1E+15"), Text("1E+15")}, nullptr, nullptr},
      {{"R8 1e14", R8(1e14), VT_BSTR, Text("100000000000000"), Text("100000000000000")},
       nullptr,
       nullptr},
      {{"R8 -0.5", R8(-0.5), VT_BSTR, Text("-0.5"), Text("-0,5")}, nullptr, nullptr},
      {{"R8 -0", R8(-0.0), VT_BSTR, Text("0"), Text("0")}, nullptr, nullptr},
      {{"R8 0.1+0.2", R8(0.1 + 0.2), VT_BSTR, Text("0.3"), Text("0,3")}, nullptr, nullptr},
      {{"R8 -1e-300", R8(-1e-300), VT_BSTR, Text("-1E-300"), Text("-1E-300")}, nullptr, nullptr},
      {{"R8 1.25e15", R8(1.25e15 + 0.0), VT_BSTR, Text("1.25E+15"), Text("1,25E+15")},
       nullptr,
       "1.25E+15"},
      {{"R4 0.1", R4(0.1f), VT_BSTR, Text("0.1"), Text("0,1")}, nullptr, nullptr},
      {{"R4 1/3", R4(1.0f / 3), VT_BSTR, Text("0.3333333"), Text("0,3333333")}, nullptr, nullptr},
      {{"R4 tie away from zero", R4(654322.25f), VT_BSTR, Text("654322.3"), Text("654322,3")},
       "654322.2",
       "654322,2"},
      {{"R4 negative tie", R4(-654322.25f), VT_BSTR, Text("-654322.3"), Text("-654322,3")},
       "-654322.2",
       "-654322,2"},
      {{"R4 16777216", R4(16777216.0f), VT_BSTR, Text("1.677722E+07"), Text("1,677722E+07")},
       nullptr,
       "1.677722E+07"},
      {{"R4 1234567", R4(1234567.0f), VT_BSTR, Text("1234567"), Text("1234567")}, nullptr, nullptr},
      {{"R4 3.4e38", R4(3.4e38f), VT_BSTR, Text("3.4E+38"), Text("3,4E+38")}, nullptr, "3.4E+38"},
  };
  for (const FloatRow& r : rows) {
    SCOPED_TRACE(r.row.label);
    // Under Wine its own known answer is taken as well as Windows' (the
    // 32-bit and the 64-bit Wine differ on some of these).
    const bool wine = RunningUnderWine();
    const std::string english = Converted(r.row.value, kEnglish, r.row.vt);
    if (!(wine && r.wineEnglish && english == Text(r.wineEnglish))) {
      EXPECT_EQ(english, r.row.english);
    }
    const std::string russian = Converted(r.row.value, kRussian, r.row.vt);
    if (!(wine && r.wineRussian && russian == Text(r.wineRussian))) {
      EXPECT_EQ(russian, r.row.russian);
    }
  }
}

TEST(ConversionToText, ExactTypesKeepEveryDigitButNoTrailingZeros) {
  CheckRows({
      {"CY 1234.5678", Cy(12345678), VT_BSTR, Text("1234.5678"), Text("1234,5678")},
      {"CY 1", Cy(10000), VT_BSTR, Text("1"), Text("1")},
      {"CY 100.5", Cy(1005000), VT_BSTR, Text("100.5"), Text("100,5")},
      {"CY -0.0001", Cy(-1), VT_BSTR, Text("-0.0001"), Text("-0,0001")},
      {"CY max", Cy(9223372036854775807LL), VT_BSTR, Text("922337203685477.5807"),
       Text("922337203685477,5807")},
      {"CY min", Cy(-9223372036854775807LL - 1), VT_BSTR, Text("-922337203685477.5808"),
       Text("-922337203685477,5808")},
      {"DEC 123.45", Dec(12345, 0, 2, false), VT_BSTR, Text("123.45"), Text("123,45")},
      {"DEC 100.00", Dec(10000, 0, 2, false), VT_BSTR, Text("100"), Text("100")},
      {"DEC -0.001", Dec(1, 0, 3, true), VT_BSTR, Text("-0.001"), Text("-0,001")},
      {"DEC -0", Dec(0, 0, 0, true), VT_BSTR, Text("0"), Text("0")},
      {"DEC max", Dec(~0ULL, 0xFFFFFFFFul, 0, false), VT_BSTR,
       Text("79228162514264337593543950335"), Text("79228162514264337593543950335")},
      {"DEC max scale 28", Dec(~0ULL, 0xFFFFFFFFul, 28, false), VT_BSTR,
       Text("7.9228162514264337593543950335"), Text("7,9228162514264337593543950335")},
      {"I1 -5", Of(VT_I1, -5), VT_BSTR, Text("-5"), Text("-5")},
      {"UI1 200", Of(VT_UI1, 200), VT_BSTR, Text("200"), Text("200")},
      {"I2 -30000", Of(VT_I2, -30000), VT_BSTR, Text("-30000"), Text("-30000")},
      {"UI2 60000", Of(VT_UI2, 60000), VT_BSTR, Text("60000"), Text("60000")},
      {"I4 min", Of(VT_I4, -2147483648LL), VT_BSTR, Text("-2147483648"), Text("-2147483648")},
      {"UI4 4e9", Of(VT_UI4, 4000000000LL), VT_BSTR, Text("4000000000"), Text("4000000000")},
      {"I8 -5e9", Of(VT_I8, -5000000000LL), VT_BSTR, Text("-5000000000"), Text("-5000000000")},
      {"I8 min", Of(VT_I8, -9223372036854775807LL - 1), VT_BSTR, Text("-9223372036854775808"),
       Text("-9223372036854775808")},
      {"UI8 max", Of(VT_UI8, -1), VT_BSTR, Text("18446744073709551615"),
       Text("18446744073709551615")},
      {"INT -7", Of(VT_INT, -7), VT_BSTR, Text("-7"), Text("-7")},
      {"UINT 4e9", Of(VT_UINT, 4000000000LL), VT_BSTR, Text("4000000000"), Text("4000000000")},
  });
}

TEST(ConversionToText, BooleansEmptyAndValuesWithoutText) {
  CheckRows({
      {"BOOL true", Bool(true), VT_BSTR, Text("-1"), Text("-1")},
      {"BOOL false", Bool(false), VT_BSTR, Text("0"), Text("0")},
      {"EMPTY", Variant(), VT_BSTR, Text(""), Text("")},
      {"NULL", Variant::null(), VT_BSTR, kMismatch, kMismatch},
      {"ERROR", Variant::omitted(), VT_BSTR, kMismatch, kMismatch},
      {"UNKNOWN null", Of(VT_UNKNOWN, 0), VT_BSTR, kMismatch, kMismatch},
      {"BSTR", Str(OLESTR("same")), VT_BSTR, Text("same"), Text("same")},
  });
  EXPECT_EQ(Converted(Bool(true), kRussian, VT_BSTR, VARIANT_ALPHABOOL), Text("True"));
  EXPECT_EQ(Converted(Bool(false), kEnglish, VT_BSTR, VARIANT_ALPHABOOL), Text("False"));
}

TEST(ConversionToText, DatesShowOnlyTheirNonZeroParts) {
  const double nineSevenThree = (9 * 3600 + 7 * 60 + 3) / 86400.0;
  CheckRows(
      {
          {"date and time", Date(38051 + nineSevenThree), VT_BSTR, Text("3/5/2004 9:07:03 AM"),
           Text("05.03.2004 9:07:03")},
          {"midnight: date only", Date(38051), VT_BSTR, Text("3/5/2004"), Text("05.03.2004")},
          {"no date part: time only", Date(0.5), VT_BSTR, Text("12:00:00 PM"), Text("12:00:00")},
          {"zero: midnight as a time", Date(0), VT_BSTR, Text("12:00:00 AM"), Text("0:00:00")},
          {"afternoon", Date(37000.75), VT_BSTR, Text("4/19/2001 6:00:00 PM"),
           Text("19.04.2001 18:00:00")},
          {"negative date counts time forward", Date(-1.25), VT_BSTR, Text("12/29/1899 6:00:00 AM"),
           Text("29.12.1899 6:00:00")},
          {"negative whole day", Date(-1), VT_BSTR, Text("12/29/1899"), Text("29.12.1899")},
          {"negative, no date part", Date(-0.5), VT_BSTR, Text("12:00:00 PM"), Text("12:00:00")},
          {"half second rounds up", Date(38051.0000058), VT_BSTR, Text("3/5/2004 12:00:01 AM"),
           Text("05.03.2004 0:00:01")},
          {"rounds into the next day", Date(38051.999999), VT_BSTR, Text("3/6/2004 12:00:00 AM"),
           Text("06.03.2004 0:00:00")},
          {"time that rounds to midnight stays a time", Date(0.99999999), VT_BSTR,
           Text("12:00:00 AM"), Text("0:00:00")},
          {"last second", Date(2958465.99999), VT_BSTR, Text("12/31/9999 11:59:59 PM"),
           Text("31.12.9999 23:59:59")},
          {"after the last day", Date(2958466), VT_BSTR, Failure(E_INVALIDARG),
           Failure(E_INVALIDARG)},
          {"before the first day", Date(-657435), VT_BSTR, Failure(E_INVALIDARG),
           Failure(E_INVALIDARG)},
      },
      true);
}

TEST(ConversionToInteger, RoundsHalfToEvenAndChecksTheRange) {
  CheckRows({
      {"R8 2.5", R8(2.5), VT_I4, "I4 2", "I4 2"},
      {"R8 3.5", R8(3.5), VT_I4, "I4 4", "I4 4"},
      {"R8 -2.5", R8(-2.5), VT_I4, "I4 -2", "I4 -2"},
      {"R8 -3.5", R8(-3.5), VT_I4, "I4 -4", "I4 -4"},
      {"R8 2.4999", R8(2.4999), VT_I4, "I4 2", "I4 2"},
      {"R8 just below max", R8(2147483647.4), VT_I4, "I4 2147483647", "I4 2147483647"},
      {"R8 rounds past max", R8(2147483647.5), VT_I4, kOverflow, kOverflow},
      {"R8 rounds to min", R8(-2147483648.5), VT_I4, "I4 -2147483648", "I4 -2147483648"},
      {"R8 below min", R8(-2147483648.6), VT_I4, kOverflow, kOverflow},
      {"R8 1e300", R8(1e300), VT_I4, kOverflow, kOverflow},
      {"R4 2.5", R4(2.5f), VT_I4, "I4 2", "I4 2"},
      {"R4 1e10", R4(1e10f), VT_I4, kOverflow, kOverflow},
      {"CY 2.5", Cy(25000), VT_I4, "I4 2", "I4 2"},
      {"CY 3.5", Cy(35000), VT_I4, "I4 4", "I4 4"},
      {"CY -2.5", Cy(-25000), VT_I4, "I4 -2", "I4 -2"},
      {"CY 2.5001", Cy(25001), VT_I4, "I4 3", "I4 3"},
      {"CY too big", Cy(21474836480000LL), VT_I4, kOverflow, kOverflow},
      {"DEC 2.5", Dec(25, 0, 1, false), VT_I4, "I4 2", "I4 2"},
      {"DEC 3.5", Dec(35, 0, 1, false), VT_I4, "I4 4", "I4 4"},
      {"DEC -2.5", Dec(25, 0, 1, true), VT_I4, "I4 -2", "I4 -2"},
      {"DEC too big", Dec(3000000000ULL, 0, 0, false), VT_I4, kOverflow, kOverflow},
      {"DATE 2.5", Date(2.5), VT_I4, "I4 2", "I4 2"},
      {"BOOL true", Bool(true), VT_I4, "I4 -1", "I4 -1"},
      {"EMPTY", Variant(), VT_I4, "I4 0", "I4 0"},
      {"NULL", Variant::null(), VT_I4, kMismatch, kMismatch},
      {"ERROR", Variant::omitted(), VT_I4, kMismatch, kMismatch},
      {"I8 -5e9", Of(VT_I8, -5000000000LL), VT_I4, kOverflow, kOverflow},
      {"UI8 2^40", Of(VT_UI8, 1LL << 40), VT_I4, kOverflow, kOverflow},
      {"I4 70000 to I2", Of(VT_I4, 70000), VT_I2, kOverflow, kOverflow},
      {"I4 -1 to UI1", Of(VT_I4, -1), VT_UI1, kOverflow, kOverflow},
      {"I4 -1 to UI2", Of(VT_I4, -1), VT_UI2, kOverflow, kOverflow},
      {"I4 255 to UI1", Of(VT_I4, 255), VT_UI1, "UI1 255", "UI1 255"},
      {"I4 -128 to I1", Of(VT_I4, -128), VT_I1, "I1 -128", "I1 -128"},
      {"I4 -1 to UI8", Of(VT_I4, -1), VT_UI8, kOverflow, kOverflow},
      {"R8 -0.5 to UI1", R8(-0.5), VT_UI1, "UI1 0", "UI1 0"},
      {"R8 -0.6 to UI1", R8(-0.6), VT_UI1, kOverflow, kOverflow},
      {"R8 2.5 to I8", R8(2.5), VT_I8, "I8 2", "I8 2"},
      {"R8 1e20 to I8", R8(1e20), VT_I8, kOverflow, kOverflow},
      // One width, other signedness: the bits are kept.
      {"I4 -1 to UI4", Of(VT_I4, -1), VT_UI4, "UI4 4294967295", "UI4 4294967295"},
      {"UI4 4e9 to I4", Of(VT_UI4, 4000000000LL), VT_I4, "I4 -294967296", "I4 -294967296"},
      {"UI2 65535 to I2", Of(VT_UI2, 65535), VT_I2, "I2 -1", "I2 -1"},
      {"I8 -1 to UI8", Of(VT_I8, -1), VT_UI8, "UI8 18446744073709551615",
       "UI8 18446744073709551615"},
  });
}

TEST(ConversionToInteger, TextFollowsTheLocaleSeparators) {
  CheckRows({
      {"leading blank", Str(OLESTR(" 42")), VT_I4, "I4 42", "I4 42"},
      {"blanks around", Str(OLESTR("\t42 \n")), VT_I4, "I4 42", "I4 42"},
      {"non-breaking space before", Str(OLESTR("\u00A07")), VT_I4, "I4 7", "I4 7"},
      {"3.7", Str(OLESTR("3.7")), VT_I4, "I4 4", kMismatch},
      {"2,5", Str(OLESTR("2,5")), VT_I4, "I4 25", "I4 2"},
      {"-2,5", Str(OLESTR("-2,5")), VT_I4, "I4 -25", "I4 -2"},
      {"1,000", Str(OLESTR("1,000")), VT_I4, "I4 1000", "I4 1"},
      {"1,2,3", Str(OLESTR("1,2,3")), VT_I4, "I4 123", kMismatch},
      {"blank groups", Str(OLESTR("1 000")), VT_I4, kMismatch, "I4 1000"},
      {"nbsp groups", Str(OLESTR("1\u00A0000")), VT_I4, kMismatch, "I4 1000"},
      {".5", Str(OLESTR(".5")), VT_I4, "I4 0", kMismatch},
      {",5", Str(OLESTR(",5")), VT_I4, kMismatch, "I4 0"},
      {"two decimal points", Str(OLESTR("1.000.000")), VT_I4, kMismatch, kMismatch},
      {"letters", Str(OLESTR("abc")), VT_I4, kMismatch, kMismatch},
      {"empty", Str(OLESTR("")), VT_I4, kMismatch, kMismatch},
      {"blanks only", Str(OLESTR("  ")), VT_I4, kMismatch, kMismatch},
      {"plus", Str(OLESTR("+5")), VT_I4, "I4 5", "I4 5"},
      {"minus", Str(OLESTR("-5")), VT_I4, "I4 -5", "I4 -5"},
      {"trailing minus", Str(OLESTR("5-")), VT_I4, "I4 -5", "I4 -5"},
      {"parentheses", Str(OLESTR("(5)")), VT_I4, "I4 -5", "I4 -5"},
      {"two minus signs", Str(OLESTR("--5")), VT_I4, kMismatch, kMismatch},
      {"exponent", Str(OLESTR("1e3")), VT_I4, "I4 1000", "I4 1000"},
      {"exponent with fraction", Str(OLESTR("1.5e1")), VT_I4, "I4 15", kMismatch},
      {"exponent without digits", Str(OLESTR("0.5e")), VT_I4, kMismatch, kMismatch},
      {"tiny", Str(OLESTR("1e-10")), VT_I4, "I4 0", "I4 0"},
      {"huge", Str(OLESTR("1e10")), VT_I4, kOverflow, kOverflow},
      {"hex", Str(OLESTR("&H10")), VT_I4, "I4 16", "I4 16"},
      {"hex, all bits", Str(OLESTR("&HFFFFFFFF")), VT_I4, "I4 -1", "I4 -1"},
      {"hex in I2", Str(OLESTR("&HFFFF")), VT_I2, "I2 -1", "I2 -1"},
      {"octal", Str(OLESTR("&O17")), VT_I4, "I4 15", "I4 15"},
      {"C hex is no number", Str(OLESTR("0x10")), VT_I4, kMismatch, kMismatch},
      {"max", Str(OLESTR("2147483647")), VT_I4, "I4 2147483647", "I4 2147483647"},
      {"past max", Str(OLESTR("2147483648")), VT_I4, kOverflow, kOverflow},
      {"min", Str(OLESTR("-2147483648")), VT_I4, "I4 -2147483648", "I4 -2147483648"},
      {"past min", Str(OLESTR("-2147483649")), VT_I4, kOverflow, kOverflow},
      {"True is no number", Str(OLESTR("True")), VT_I4, kMismatch, kMismatch},
      {"UI8 max", Str(OLESTR("18446744073709551615")), VT_UI8, "UI8 18446744073709551615",
       "UI8 18446744073709551615"},
  });
}

TEST(ConversionToBoolean, NumbersWordsAndNumericText) {
  CheckRows({
      {"I4 5", Of(VT_I4, 5), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"I4 0", Of(VT_I4, 0), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"R8 0.5", R8(0.5), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"R8 -0", R8(-0.0), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"CY 0.0001", Cy(1), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"DEC 0.1", Dec(1, 0, 1, false), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"DEC 0", Dec(0, 0, 0, false), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"UI8 2^40", Of(VT_UI8, 1LL << 40), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"EMPTY", Variant(), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"NULL", Variant::null(), VT_BOOL, kMismatch, kMismatch},
      {"True", Str(OLESTR("True")), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"false", Str(OLESTR("false")), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"#TRUE#", Str(OLESTR("#TRUE#")), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"#FALSE#", Str(OLESTR("#FALSE#")), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"#true#", Str(OLESTR("#true#")), VT_BOOL, kMismatch, kMismatch},
      {"blanks around a word", Str(OLESTR(" True ")), VT_BOOL, kMismatch, kMismatch},
      {"-1", Str(OLESTR("-1")), VT_BOOL, "BOOL -1", "BOOL -1"},
      {"0", Str(OLESTR("0")), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"2.5", Str(OLESTR("2.5")), VT_BOOL, "BOOL -1", kMismatch},
      {"0,0", Str(OLESTR("0,0")), VT_BOOL, "BOOL 0", "BOOL 0"},
      {"yes", Str(OLESTR("yes")), VT_BOOL, kMismatch, kMismatch},
      {"beyond double", Str(OLESTR("1e400")), VT_BOOL, kOverflow, kOverflow},
      {"empty", Str(OLESTR("")), VT_BOOL, kMismatch, kMismatch},
  });
}

TEST(ConversionToNumber, DoublesCurrencyDecimalsAndDates) {
  CheckRows({
      {"text 2.5", Str(OLESTR("2.5")), VT_R8, "R8 2.5", kMismatch},
      {"text 2,5", Str(OLESTR("2,5")), VT_R8, "R8 25", "R8 2.5"},
      {"grouped", Str(OLESTR("1,234.5")), VT_R8, "R8 1234.5", kMismatch},
      {"grouped Russian", Str(OLESTR("1\u00A0234,5")), VT_R8, kMismatch, "R8 1234.5"},
      {"exponent", Str(OLESTR("2,5E-3")), VT_R8, "R8 0.025000000000000001",
       "R8 0.0025000000000000001"},
      {"hex", Str(OLESTR("&HFF")), VT_R8, "R8 255", "R8 255"},
      {"beyond double", Str(OLESTR("1e400")), VT_R8, kOverflow, kOverflow},
      {"below double", Str(OLESTR("1e-400")), VT_R8, "R8 0", "R8 0"},
      {"negative zero", Str(OLESTR("-0")), VT_R8, "R8 -0", "R8 -0"},
      {"DATE 1.5", Date(1.5), VT_R8, "R8 1.5", "R8 1.5"},
      {"BOOL true", Bool(true), VT_R8, "R8 -1", "R8 -1"},
      {"CY 1.2345", Cy(12345), VT_R8, "R8 1.2344999999999999", "R8 1.2344999999999999"},
      {"DEC 123.45", Dec(12345, 0, 2, false), VT_R8, "R8 123.45", "R8 123.45"},
      {"EMPTY", Variant(), VT_R8, "R8 0", "R8 0"},
      {"R4 0.1", R4(0.1f), VT_R8, "R8 0.10000000149011612", "R8 0.10000000149011612"},
      {"R8 to R4", R8(0.1), VT_R4, "R4 0.100000001", "R4 0.100000001"},
      {"R8 beyond R4", R8(1e39), VT_R4, kOverflow, kOverflow},
      {"R8 2.5 to CY", R8(2.5), VT_CY, "CY 25000", "CY 25000"},
      {"R8 1.00015 to CY: half to even", R8(1.00015), VT_CY, "CY 10002", "CY 10002"},
      {"R8 beyond CY", R8(1e15), VT_CY, kOverflow, kOverflow},
      {"text to CY", Str(OLESTR("1234,5678")), VT_CY, "CY 123456780000", "CY 12345678"},
      {"text to CY goes through a double", Str(OLESTR("1.00005")), VT_CY, "CY 10001", kMismatch},
      {"DATE to CY", Date(1.5), VT_CY, "CY 15000", "CY 15000"},
      {"R8 to DEC", R8(123.45), VT_DECIMAL, "DEC 0:12345/2", "DEC 0:12345/2"},
      {"R8 to DEC: 16 digits", R8(1.0 / 3), VT_DECIMAL, "DEC 0:3333333333333333/16",
       "DEC 0:3333333333333333/16"},
      {"DATE to DEC", Date(38051.5), VT_DECIMAL, "DEC 0:380515/1", "DEC 0:380515/1"},
      {"I4 to DEC", Of(VT_I4, -7), VT_DECIMAL, "DEC -0:7/0", "DEC -0:7/0"},
      {"CY to DEC", Cy(12345678), VT_DECIMAL, "DEC 0:12345678/4", "DEC 0:12345678/4"},
      {"text to DEC", Str(OLESTR("0.1234567890123456789")), VT_DECIMAL,
       "DEC 0:1234567890123456789/19", kMismatch},
      {"text to DEC drops trailing zeros", Str(OLESTR("100.00")), VT_DECIMAL, "DEC 0:100/0",
       kMismatch},
      {"R8 beyond DEC", R8(1e30), VT_DECIMAL, kOverflow, kOverflow},
      {"text beyond DEC", Str(OLESTR("12345678901234567890123456789012")), VT_DECIMAL, kOverflow,
       kOverflow},
      {"EMPTY to DEC", Variant(), VT_DECIMAL, "DEC 0:0/0", "DEC 0:0/0"},
      {"R8 to DATE", R8(38051.5), VT_DATE, "DATE 38051.5", "DATE 38051.5"},
      {"I4 to DATE", Of(VT_I4, 5), VT_DATE, "DATE 5", "DATE 5"},
      {"BOOL to DATE", Bool(true), VT_DATE, "DATE -1", "DATE -1"},
      {"first day at noon", R8(-657434.5), VT_DATE, "DATE -657434.5", "DATE -657434.5"},
      {"after the last day", R8(2958466), VT_DATE, kOverflow, kOverflow},
      {"before the first day", R8(-657435), VT_DATE, kOverflow, kOverflow},
      {"EMPTY to DATE", Variant(), VT_DATE, "DATE 0", "DATE 0"},
      {"NULL to DATE", Variant::null(), VT_DATE, kMismatch, kMismatch},
  });
}

TEST(ConversionToDate, TextInTheLocaleDateOrder) {
  const std::string march5 = "DATE 38051";
  const std::string may3 = "DATE 38110";
  const std::string march5At907 = "DATE 38051.379895833335";
  CheckRows({
      {"Russian date", Str(OLESTR("05.03.2004")), VT_DATE, kMismatch, march5},
      {"Russian date, no zeros", Str(OLESTR("5.3.2004")), VT_DATE, kMismatch, march5},
      {"Russian date and time", Str(OLESTR("05.03.2004 9:07:03")), VT_DATE, kMismatch, march5At907},
      {"slashes in the locale order", Str(OLESTR("3/5/2004")), VT_DATE, march5, may3},
      {"US date and time", Str(OLESTR("3/5/2004 9:07:03 AM")), VT_DATE, march5At907,
       "DATE 38110.379895833335"},
      {"PM", Str(OLESTR("3/5/2004 9:07:03 PM")), VT_DATE, "DATE 38051.879895833335",
       "DATE 38110.879895833335"},
      {"year first", Str(OLESTR("2004-03-05 09:07:03")), VT_DATE, march5At907, march5At907},
      {"day past 12 decides the order", Str(OLESTR("13/1/2004")), VT_DATE, "DATE 37999",
       "DATE 37999"},
      {"blanks around", Str(OLESTR("  05.03.2004  ")), VT_DATE, kMismatch, march5},
      {"time only", Str(OLESTR("9:07")), VT_DATE, "DATE 0.37986111111111109",
       "DATE 0.37986111111111109"},
      {"noon", Str(OLESTR("12:00:00 PM")), VT_DATE, "DATE 0.5", "DATE 0.5"},
      {"midnight", Str(OLESTR("12:00:00 AM")), VT_DATE, "DATE 0", "DATE 0"},
      {"negative date", Str(OLESTR("12/29/1899 6:00:00 AM")), VT_DATE, "DATE -1.25", "DATE -1.25"},
      {"first day", Str(OLESTR("1.1.100")), VT_DATE, kMismatch, "DATE -657434"},
      {"last day", Str(OLESTR("31.12.9999")), VT_DATE, kMismatch, "DATE 2958465"},
      {"no 32nd", Str(OLESTR("32.01.2004")), VT_DATE, kMismatch, kMismatch},
      {"no 29 February 2003", Str(OLESTR("29.02.2003")), VT_DATE, kMismatch, kMismatch},
      {"hour 25", Str(OLESTR("25:00:00")), VT_DATE, kMismatch, kMismatch},
      {"a number is no date", Str(OLESTR("38051")), VT_DATE, kMismatch, kMismatch},
      {"words", Str(OLESTR("x")), VT_DATE, kMismatch, kMismatch},
  });
}

// US English date text: the time comes first or last, around two or three
// date numbers, and no year stands between a day and a month. Dates
// numerically, to well under a second (Wine's last bit differs).
TEST(ConversionToDate, TimeFirstOrLastAndNoYearInTheMiddle) {
  const double kNoDate = -1e9;
  struct {
    const char* text;
    double date;
  } rows[] = {
      {"1 am 2 3 4", 38020 + 1 / 24.0},  // 1 AM, 2/3/2004
      {"1 2 3 4 am", 37623 + 4 / 24.0},  // 1/2/2003, 4 AM
      {"1.2 am 3 4 5", 38415 + 62 / 1440.0},
      {"1 am.2.3 4 5 6", 38812 + 3723 / 86400.0},
      {"1 2 3 4:5:6", 37623 + 14706 / 86400.0},
      {"12:00 am 1 2 3", 37623},
      {"1 am 2.3", kNoDate},   // two times
      {"1 2:3 4 5", kNoDate},  // a time between date numbers
      {"1 2 3 4 pm 5", kNoDate},
      {"1.2.3.4 5 6", kNoDate},  // four time numbers
      {"1.2 3", kNoDate},        // one date number
      {"1 2 3 4 5", kNoDate},    // five date numbers
      {"2 31 3", 37346},         // 31 March 2002, not 3 February 2031
      {"2 3 Jan", 37259},        // 3 January 2002
      {"35 2 Jan", 49311},       // 2 January 2035
      {"Jan 35 2", kNoDate},
      {"2 35 Jan", kNoDate},
      {"1 99 1", kNoDate},
      {"99 1 1", 36161},
      {"32 2", 48245},  // two numbers: a month and a year, either way
      {"2 32", 48245},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::basic_string<OLECHAR> text(row.text, row.text + std::strlen(row.text));
    Variant source = Variant::fromBstr(Bstr(text.c_str())), result;
    HRESULT hr = VariantChangeTypeEx(result.ptr(), source.ptr(), kEnglish, 0, VT_DATE);
    if (row.date == kNoDate) {
      EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    } else {
      ASSERT_EQ(hr, S_OK);
      EXPECT_NEAR(result.get().date, row.date, 1e-8);
    }
  }
}

TEST(ConversionTypes, NullEmptyErrorAndTypeCodesOutsideTheValues) {
  CheckRows({
      {"I4 to NULL", Of(VT_I4, 5), VT_NULL, "NULL", "NULL"},
      {"EMPTY to NULL", Variant(), VT_NULL, "NULL", "NULL"},
      {"NULL to NULL", Variant::null(), VT_NULL, "NULL", "NULL"},
      {"I4 to EMPTY", Of(VT_I4, 5), VT_EMPTY, "EMPTY", "EMPTY"},
      {"NULL to EMPTY", Variant::null(), VT_EMPTY, kMismatch, kMismatch},
      {"ERROR to ERROR", Variant::omitted(), VT_ERROR, "ERROR 80020004", "ERROR 80020004"},
      {"I4 to ERROR", Of(VT_I4, 5), VT_ERROR, kMismatch, kMismatch},
      {"EMPTY to UI8", Variant(), VT_UI8, "UI8 0", "UI8 0"},
      {"EMPTY to CY", Variant(), VT_CY, "CY 0", "CY 0"},
      {"to type 15", Of(VT_I4, 5), 15, Failure(DISP_E_BADVARTYPE), Failure(DISP_E_BADVARTYPE)},
      {"to VT_VOID", Of(VT_I4, 5), VT_VOID, Failure(DISP_E_BADVARTYPE), Failure(DISP_E_BADVARTYPE)},
      {"to VT_HRESULT", Of(VT_I4, 5), VT_HRESULT, Failure(DISP_E_BADVARTYPE),
       Failure(DISP_E_BADVARTYPE)},
      {"to VT_VARIANT", Of(VT_I4, 5), VT_VARIANT, kMismatch, kMismatch},
      {"to a reference", Of(VT_I4, 5), VT_I4 | VT_BYREF, kMismatch, kMismatch},
      {"to an array", Of(VT_I4, 5), VT_I4 | VT_ARRAY, kMismatch, kMismatch},
      {"to a record", Of(VT_I4, 5), VT_RECORD, kMismatch, kMismatch},
  });
}

TEST(ConversionReferences, SourcesByReferenceAreRead) {
  LONG number = 42;
  Variant byRef;
  byRef.ptr()->vt = VT_I4 | VT_BYREF;
  byRef.ptr()->plVal = &number;
  Variant inner = Str(OLESTR("7"));
  Variant variantRef;
  variantRef.ptr()->vt = VT_VARIANT | VT_BYREF;
  variantRef.ptr()->pvarVal = inner.ptr();
  Bstr text(OLESTR("15"));
  BSTR textSlot = text.get();
  Variant textRef;
  textRef.ptr()->vt = VT_BSTR | VT_BYREF;
  textRef.ptr()->pbstrVal = &textSlot;
  DECIMAL decimal = Dec(25, 0, 1, false).get().decVal;
  Variant decimalRef;
  decimalRef.ptr()->vt = VT_DECIMAL | VT_BYREF;
  decimalRef.ptr()->pdecVal = &decimal;
  Variant nested;
  nested.ptr()->vt = VT_VARIANT | VT_BYREF;
  nested.ptr()->pvarVal = variantRef.ptr();

  struct {
    const char* label;
    VARIANT* source;
    VARTYPE vt;
    std::string expected;
  } rows[] = {
      {"I4 by reference to text", byRef.ptr(), VT_BSTR, Text("42")},
      {"I4 by reference to R8", byRef.ptr(), VT_R8, "R8 42"},
      {"I4 by reference to I4", byRef.ptr(), VT_I4, "I4 42"},
      {"VARIANT by reference", variantRef.ptr(), VT_I4, "I4 7"},
      {"VARIANT by reference to text", variantRef.ptr(), VT_BSTR, Text("7")},
      {"BSTR by reference", textRef.ptr(), VT_I4, "I4 15"},
      {"DECIMAL by reference", decimalRef.ptr(), VT_BSTR, Text("2,5")},
      {"reference to a reference of a VARIANT", nested.ptr(), VT_I4, Failure(E_INVALIDARG)},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.label);
    Variant result;
    HRESULT hr = VariantChangeTypeEx(result.ptr(), row.source, kRussian, 0, row.vt);
    EXPECT_EQ(FAILED(hr) ? Failure(hr) : Describe(result.get()), row.expected);
  }
  // The referenced values are read, never changed or freed.
  EXPECT_EQ(number, 42);
  EXPECT_EQ(Describe(inner.get()), Text("7"));
  EXPECT_EQ(textSlot, text.get());
}

TEST(ConversionDestination, ReplacedOnlyOnSuccessAndMayBeTheSource) {
  Variant value = R8(2.5);
  ASSERT_EQ(VariantChangeTypeEx(value.ptr(), value.ptr(), kRussian, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(value.get()), Text("2,5"));

  Variant text = Str(OLESTR("12"));
  ASSERT_EQ(VariantChangeTypeEx(text.ptr(), text.ptr(), kRussian, 0, VT_I4), S_OK);
  EXPECT_EQ(Describe(text.get()), "I4 12");

  Variant bad = Str(OLESTR("abc"));
  EXPECT_EQ(VariantChangeTypeEx(bad.ptr(), bad.ptr(), kRussian, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Describe(bad.get()), Text("abc"));

  Variant kept = Variant::fromInt(9);
  Variant source = Str(OLESTR("zz"));
  EXPECT_EQ(VariantChangeTypeEx(kept.ptr(), source.ptr(), kEnglish, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Describe(kept.get()), "I4 9");

  Variant replaced = Str(OLESTR("old"));
  Variant three = Variant::fromInt(3);
  ASSERT_EQ(VariantChangeTypeEx(replaced.ptr(), three.ptr(), kEnglish, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(replaced.get()), Text("3"));
  EXPECT_EQ(Describe(three.get()), "I4 3");
}

// A dispatch object that counts its references and the calls of its
// members, and has no value.
class CountedObject : public IDispatch {
 public:
  ULONG references = 1;
  int invokes = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    ++invokes;
    return DISP_E_MEMBERNOTFOUND;
  }
};

TEST(ConversionObjects, InterfacesConvertIntoEachOtherOnly) {
  CountedObject object;
  {
    Variant dispatch = Variant::fromDispatch(&object);
    ASSERT_EQ(object.references, 2u);
    for (VARTYPE vt : {VT_DISPATCH, VT_UNKNOWN}) {
      SCOPED_TRACE(vt);
      Variant result;
      ASSERT_EQ(VariantChangeTypeEx(result.ptr(), dispatch.ptr(), kEnglish, 0, vt), S_OK);
      EXPECT_EQ(result.vt(), vt);
      EXPECT_EQ(result.get().punkVal, static_cast<IUnknown*>(&object));
      EXPECT_EQ(object.references, 3u);
    }
    EXPECT_EQ(object.references, 2u);

    Variant unknown;
    unknown.ptr()->vt = VT_UNKNOWN;
    unknown.ptr()->punkVal = &object;
    object.AddRef();
    Variant asDispatch;
    ASSERT_EQ(VariantChangeTypeEx(asDispatch.ptr(), unknown.ptr(), kEnglish, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(asDispatch.get().pdispVal, static_cast<IDispatch*>(&object));
    EXPECT_EQ(object.references, 4u);

    // An object has no text of its own here: the conversion fails and keeps
    // no reference.
    Variant text;
    EXPECT_TRUE(FAILED(VariantChangeTypeEx(text.ptr(), dispatch.ptr(), kEnglish, 0, VT_BSTR)));
    EXPECT_EQ(text.vt(), VT_EMPTY);
    EXPECT_EQ(object.references, 4u);
  }
  EXPECT_EQ(object.references, 1u);

  EXPECT_EQ(object.invokes, 1);

  CheckRows({
      {"null DISPATCH stays null", Of(VT_DISPATCH, 0), VT_DISPATCH, "DISPATCH null",
       "DISPATCH null"},
      {"null UNKNOWN to DISPATCH", Of(VT_UNKNOWN, 0), VT_DISPATCH, "DISPATCH null",
       "DISPATCH null"},
      {"null DISPATCH to UNKNOWN", Of(VT_DISPATCH, 0), VT_UNKNOWN, "UNKNOWN null", "UNKNOWN null"},
      {"EMPTY to DISPATCH", Variant(), VT_DISPATCH, kMismatch, kMismatch},
      {"I4 to DISPATCH", Of(VT_I4, 5), VT_DISPATCH, kMismatch, kMismatch},
      {"text to UNKNOWN", Str(OLESTR("x")), VT_UNKNOWN, kMismatch, kMismatch},
  });
}

// Only a VT_DISPATCH is asked for its value, so only there can code of the
// object run during a conversion; an unknown, even one answering IDispatch
// and held by reference, is no value and keeps no reference.
TEST(ConversionObjects, UnknownIsNeverAskedForItsValue) {
  CountedObject object;
  IUnknown* slot = &object;
  Variant unknown, unknownRef;
  unknown.ptr()->vt = VT_UNKNOWN;
  unknown.ptr()->punkVal = &object;
  object.AddRef();
  unknownRef.ptr()->vt = VT_UNKNOWN | VT_BYREF;
  unknownRef.ptr()->ppunkVal = &slot;
  for (Variant* source : {&unknown, &unknownRef}) {
    for (VARTYPE vt : {VT_I4, VT_R8, VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL}) {
      SCOPED_TRACE(std::to_string(source->vt()) + " to " + std::to_string(vt));
      Variant result;
      EXPECT_EQ(VariantChangeTypeEx(result.ptr(), source->ptr(), kEnglish, 0, vt),
                DISP_E_TYPEMISMATCH);
      EXPECT_EQ(result.vt(), VT_EMPTY);
    }
  }
  EXPECT_EQ(object.invokes, 0);
  EXPECT_EQ(object.references, 2u);
}

TEST(ConversionLocales, DefaultLocalesAreTheCurrentSettings) {
  const LCID user = GetUserDefaultLCID();
  for (LCID alias :
       {static_cast<LCID>(LOCALE_USER_DEFAULT), static_cast<LCID>(LOCALE_SYSTEM_DEFAULT)}) {
    SCOPED_TRACE(alias);
    EXPECT_EQ(Converted(R8(2.5), alias, VT_BSTR), Converted(R8(2.5), user, VT_BSTR));
    EXPECT_EQ(Converted(Str(OLESTR("2,5")), alias, VT_I4),
              Converted(Str(OLESTR("2,5")), user, VT_I4));
  }
  Variant source = R8(2.5), result;
  ASSERT_EQ(VariantChangeType(result.ptr(), source.ptr(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(result.get()), Converted(R8(2.5), user, VT_BSTR));
  // A locale without settings of its own reads as US English.
  EXPECT_EQ(Converted(R8(2.5), 0x12345, VT_BSTR), Text("2.5"));
}

TEST(ConversionLocales, LocaleInfoSeparators) {
  struct {
    LCID lcid;
    DWORD type;
    std::string expected;
  } rows[] = {
      {kEnglish, LOCALE_SDECIMAL, "."},
      {kEnglish, LOCALE_STHOUSAND, ","},
      {kRussian, LOCALE_SDECIMAL, ","},
      {kRussian, LOCALE_STHOUSAND, "\xA0"},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.lcid);
    char text[8] = "";
    ASSERT_EQ(GetLocaleInfoA(row.lcid, row.type, text, sizeof text), 2);
    EXPECT_EQ(std::string(text), row.expected);
    // The size query counts the terminator; a short buffer is refused.
    EXPECT_EQ(GetLocaleInfoA(row.lcid, row.type, nullptr, 0), 2);
    EXPECT_EQ(GetLocaleInfoA(row.lcid, row.type, text, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
  char text[8];
  EXPECT_EQ(GetLocaleInfoA(0x12345, LOCALE_SDECIMAL, text, sizeof text), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ConversionLocales, ThreadLocaleIsSetPerThreadWithoutMovingTheUserLocale) {
  const LCID user = GetUserDefaultLCID();
  const LCID before = GetThreadLocale();
  const LCID other = user == kRussian ? kEnglish : kRussian;
  ASSERT_TRUE(SetThreadLocale(other));
  EXPECT_EQ(GetThreadLocale(), other);
  EXPECT_EQ(GetUserDefaultLCID(), user);
  EXPECT_EQ(Converted(R8(2.5), LOCALE_USER_DEFAULT, VT_BSTR), Converted(R8(2.5), user, VT_BSTR));
  ASSERT_TRUE(SetThreadLocale(before));
  EXPECT_EQ(GetThreadLocale(), before);
}

}  // namespace

#include "encoding/float_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/win32.h"

namespace qorvid {

namespace {

// Runs under the thread locale a test names and restores the one before.
class FloatTextTest : public ::testing::TestWithParam<LCID> {
 protected:
  void SetUp() override {
    saved_ = GetThreadLocale();
    SetThreadLocale(GetParam());
  }
  void TearDown() override { SetThreadLocale(saved_); }

 private:
  LCID saved_ = 0;
};

struct Case {
  double value;
  const char* text;
};

const Case kCases[] = {
    {1234.5, "1234.5"},
    {0.1, "0.1"},
    {-2, "-2"},
    {0, "0"},
    {-0.0, "0"},
    {2.5, "2.5"},
    {1.0 / 3, "0.333333333333333"},
    {2.0 / 3, "0.666666666666667"},
    {-1.0 / 3, "-0.333333333333333"},
    {0.0001, "0.0001"},
    {0.00012345, "0.00012345"},
    {0.00001, "1E-5"},
    {0.000099999, "9.9999E-5"},
    {1.5e-7, "1.5E-7"},
    {123456789012345678.0, "1.23456789012346E17"},
    {1e15, "1E15"},
    {999999999999999.0, "999999999999999"},
    {1e20, "1E20"},
    {-1e20, "-1E20"},
    // Rounding to 15 digits carries into a new leading digit and exponent.
    {9999999999999999.0, "1E16"},
    {0.99999999999999999, "1"},
    {0.000099999999999999999, "0.0001"},
    {0.1 + 0.2, "0.3"},
    // The exact expansion decides: this double is 1.38368893214142496...,
    // though its 17-digit text is 1.3836889321414250.
    {1.383688932141425, "1.38368893214142"},
    // An exact half at the 16th digit goes away from zero.
    {100000000000000.5, "100000000000001"},
    {-100000000000000.5, "-100000000000001"},
    // Next to the largest double, 15 digits would read back as infinity.
    {1.7976931348623157e308, "1.7976931348623157E308"},
    {-1.7976931348623155e308, "-1.7976931348623155E308"},
    {1.797693134862315e308, "1.79769313486231E308"},
    {1.7976931348623e308, "1.7976931348623E308"},
    {4.9406564584124654e-324, "4.94065645841247E-324"},
    {std::numeric_limits<double>::quiet_NaN(), "NAN"},
    {std::numeric_limits<double>::infinity(), "INF"},
    {-std::numeric_limits<double>::infinity(), "-INF"},
};

// Whatever the regional settings' separator, the number has a "." point: a
// "," or a blank would split it in the statement.
TEST_P(FloatTextTest, GivesTheSameTextWhateverTheLocale) {
  for (const Case& c : kCases) EXPECT_EQ(FloatText(c.value), c.text) << c.value;
}

// English ("."), Russian and German (","), French (a blank).
INSTANTIATE_TEST_SUITE_P(Locales, FloatTextTest, ::testing::Values(0x409, 0x419, 0x407, 0x40C));

}  // namespace

}  // namespace qorvid

#include "encoding/integer_text.h"

#include <gtest/gtest.h>

#include "tests/encoding/failure_message.h"

namespace qorvid {

namespace {

TEST(IntegerFromText, ReadsDecimalAndHexNumbers) {
  const struct {
    const char* text;
    LONG value;
  } cases[] = {
      {"0", 0},
      {"00", 0},
      {" 0", 0},
      {"         1", 1},
      {"+5", 5},
      {"-5", -5},
      {"  -17", -17},
      {"0000000042", 42},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$1F", 31},
      {"$ff", 255},
      {"x1f", 31},
      {"X10", 16},
      {"0x10", 16},
      {"0XaB", 171},
      {"-$10", -16},
      {"  0x7FFFFFFF", 2147483647},
      {"-0x80000000", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(IntegerFromText(c.text), c.value) << c.text;
}

TEST(IntegerFromText, QuotesTheWholeTextOnFailure) {
  const char* const texts[] = {
      "",
      "   ",
      "5 ",
      "1 2",
      "\t5",
      "- 5",
      "+",
      "-",
      "12a",
      "1e3",
      "1.0",
      "$",
      "0x",
      "x",
      "$g",
      "0x1g",
      "--5",
      "+-5",
      "2147483648",
      "-2147483649",
      "$80000000",
      "0xFFFFFFFF",
      "99999999999999999999",
  };
  for (const char* text : texts)
    EXPECT_EQ(FailureOf([&] { IntegerFromText(text); }),
              "'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

}  // namespace qorvid

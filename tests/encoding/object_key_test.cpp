#include "encoding/object_key.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/encoding/failure_message.h"

namespace qorvid {

namespace {

TEST(EncodeBase36, WritesSixCharactersBlankPadded) {
  const struct {
    LONG n;
    const char* text;
  } cases[] = {{0, "     0"},      {35, "     Z"},       {36, "    10"},
               {123456, "  2N9C"}, {60466175, " ZZZZZ"}, {2147483646, "ZIK0ZI"}};
  for (const auto& c : cases) EXPECT_EQ(EncodeBase36(c.n), c.text) << c.n;
}

TEST(EncodeBase36, RejectsOutOfRange) {
  const std::string tooLarge = std::string("Ожидается число < 2147483647");
  const std::string negative = std::string("Ожидается значение >=0");
  EXPECT_EQ(FailureOf([] { EncodeBase36(2147483647); }), tooLarge);
  EXPECT_EQ(FailureOf([] { EncodeBase36(-1); }), negative);
  EXPECT_EQ(FailureOf([] { EncodeBase36(-2147483647 - 1); }), negative);
}

TEST(DecodeBase36, ReadsTrimmedCapitalDigits) {
  const struct {
    const char* text;
    LONG value;
  } cases[] = {{"", 0},        {"      ", 0},      {"     0", 0},          {"Z", 35},
               {"    10", 36}, {"  2N9C", 123456}, {"ZIK0ZI", 2147483646}, {"ZIK0ZJ", 2147483647},
               {"\t1\n", 1},   {" 1    ", 1}};
  for (const auto& c : cases) EXPECT_EQ(DecodeBase36(c.text), c.value) << c.text;
}

TEST(DecodeBase36, FailsWithItsThreeMessages) {
  const std::string badChar = std::string("Ожидается символ 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const struct {
    const char* text;
    std::string message;
  } cases[] = {
      {"zz", badChar},
      {"1 2", badChar},
      {"1_2", badChar},
      {"A-", badChar},
      {"\xC0", badChar},
      {"ZIK0ZK", std::string("На входе слишком большое значение: ") + "ZIK0ZK"},
      {" ZZZZZZ ", std::string("На входе слишком большое значение: ") + "ZZZZZZ"},
      {"1234567", std::string("Ожидается строка не длиннее 6 символов: ") + "1234567"},
      {" zzzzzzz ", std::string("Ожидается строка не длиннее 6 символов: ") + "zzzzzzz"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FailureOf([&] { DecodeBase36(c.text); }), c.message) << c.text;
}

const char kShortO[] = "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}";

// Table texts write each blank as "." so that field widths can be counted.
std::string Blanks(const char* text) {
  std::string s(text);
  for (char& c : s)
    if (c == '.') c = ' ';
  return s;
}

TEST(ObjectKeyFromInternal, ReadsShortAndLongForms) {
  const struct {
    const char* internal;
    const char* key;
  } cases[] = {
      {"{\"O\",\"0\",\"0\",\".........1\",\"0\",\"0\",\".........5...\"}", "O_____1_____5___"},
      {"{\"O\",\"0\",\"0\",\"0\",\"0\",\"0\",\".........1.........5...\"}", "O_____1_____5___"},
      {"{\"D\",\"0\",\"0\",\"....123456\",\"0\",\"0\",\"2147483646ABC\"}", "D__2N9CZIK0ZIABC"},
      // Braces and quotes are dropped wherever they stand; items 1, 2, 4, 5
      // are not read; "00" and ".0" are not the long form.
      {"O,x,y,1,z,w,.........5...", "O_____1_____5___"},
      {"{O\"\",,,\"1\"},,,{0000000005}.XY}", "O_____1_____5_XY"},
      {"D,0,0,00,0,0,.........7abc", "D_____0_____7abc"},
      {"D,0,0,.0,0,0,$000000010xyz", "D_____0_____Gxyz"},
      {".,0,0,1,0,0,.........1...", "______1_____1___"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ObjectKeyFromInternal(Blanks(c.internal)), c.key) << c.internal;
}

TEST(ObjectKeyFromInternal, FailsWithTheLayoutMessages) {
  const std::string listSize = std::string("Неправильный размер списка, ожидается 7");
  const std::string typeSize = std::string("Неправильный размер идентификатора типа, ожидается 1");
  const std::string longSize = std::string("Неправильный размер идентификатора, ожидается 23");
  const std::string idSize = std::string("Неправильный размер идентификатора объекта, ожидается 13");
  const struct {
    const char* internal;
    std::string message;
  } cases[] = {
      {"", listSize},
      {"O,0,0,1,0,0", listSize},
      {"O,0,0,1,0,0,.........5...,", listSize},
      // A quoted comma still splits.
      {"{\"O\",\"0\",\"0\",\"1\",\"0\",\"0\",\"......5,...\"}", listSize},
      {",0,0,1,0,0,.........5...", typeSize},
      {"OO,0,0,1,0,0,.........5...", typeSize},
      {"O,0,0,0,0,0,.........5...", longSize},
      {"O,0,0,0,0,0,.........1.........5....", longSize},
      {"O,0,0,1,0,0,.........5..", idSize},
      {"O,0,0,1,0,0,", idSize},
      // Numbers convert in order, each failure before the next step.
      {"O,0,0,1.,0,0,...abc...5...", "'1 ' is not a valid integer value"},
      {"O,0,0,2147483647,0,0,...abc...5...", std::string("Ожидается число < 2147483647")},
      {"O,0,0,-1,0,0,...abc...5...", std::string("Ожидается значение >=0")},
      {"O,0,0,1,0,0,...abc...5...", "'   abc   5' is not a valid integer value"},
      {"O,0,0,1,0,0,5............", "'5         ' is not a valid integer value"},
      {"O,0,0,0,0,0,1........x.........5...", "'1        x' is not a valid integer value"},
      {"O,0,0,1,0,0,........-5...", std::string("Ожидается значение >=0")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FailureOf([&] { ObjectKeyFromInternal(Blanks(c.internal)); }), c.message)
        << c.internal;
}

TEST(InternalFromObjectKey, WritesTheShortForm) {
  const struct {
    const char* key;
    const char* internal;
  } cases[] = {
      {"O_____1_____5___", kShortO},
      {"D__2N9CZIK0ZIABC", "{\"D\",\"0\",\"0\",\"    123456\",\"0\",\"0\",\"2147483646ABC\"}"},
      // Underscores anywhere come back as blanks; trailing ones in a number
      // field are trimmed away.
      {"______1_____5_a_", "{\" \",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5 a \"}"},
      {"O1_____5_____XYZ", "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5XYZ\"}"},
      {"OZIK0ZJ_____0___", "{\"O\",\"0\",\"0\",\"2147483647\",\"0\",\"0\",\"         0   \"}"},
  };
  for (const auto& c : cases) EXPECT_EQ(InternalFromObjectKey(c.key), c.internal) << c.key;
}

TEST(InternalFromObjectKey, FailsOnLengthAndOnBadFields) {
  const std::string length = std::string("Ожидается строка длиной 16");
  const std::string badChar = std::string("Ожидается символ 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const struct {
    const char* key;
    std::string message;
  } cases[] = {
      {"", length},
      {"O_____1_____5__", length},
      {"O_____1_____5____", length},
      {"O_____a_____5___", badChar},
      {"O___1_2_____5___", badChar},
      {"O_____1___1_5___", badChar},
      {"OZIK0ZK_____5___", std::string("На входе слишком большое значение: ") + "ZIK0ZK"},
      {"O_____1ZZZZZZ___", std::string("На входе слишком большое значение: ") + "ZZZZZZ"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FailureOf([&] { InternalFromObjectKey(c.key); }), c.message) << c.key;
}

// For random objects, key -> internal -> key is the identity, and both
// internal forms of the same object give that key back.
TEST(ObjectKeyRoundTrip, KeyAndInternalFormsAgree) {
  std::mt19937 random(20040305);
  std::uniform_int_distribution<LONG> number(0, 2147483646);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 _";
  std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
  auto pick = [&] {
    char c = alphabet[letter(random)];
    return c == '_' ? ' ' : c;
  };
  auto padded = [](LONG n) {
    std::string s = std::to_string(n);
    return std::string(10 - s.size(), ' ') + s;
  };
  for (int i = 0; i < 2000; ++i) {
    const std::string type(1, pick());
    const LONG first = number(random), object = number(random);
    const std::string suffix = {pick(), pick(), pick()};
    const std::string shortForm = "{\"" + type + "\",\"0\",\"0\",\"" + padded(first) +
                                  "\",\"0\",\"0\",\"" + padded(object) + suffix + "\"}";
    const std::string longForm = "{\"" + type + "\",\"0\",\"0\",\"0\",\"0\",\"0\",\"" +
                                 padded(first) + padded(object) + suffix + "\"}";

    const std::string key = ObjectKeyFromInternal(shortForm);
    ASSERT_EQ(key.size(), 16u) << shortForm;
    EXPECT_EQ(key.find(' '), std::string::npos) << key;
    EXPECT_EQ(ObjectKeyFromInternal(longForm), key) << longForm;
    EXPECT_EQ(InternalFromObjectKey(key), shortForm) << key;
    EXPECT_EQ(ObjectKeyFromInternal(InternalFromObjectKey(key)), key) << key;
  }
}

}  // namespace

}  // namespace qorvid

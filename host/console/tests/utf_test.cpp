#include "host/console/utf.h"

#include <gtest/gtest.h>

#include "platform/text_case.h"

namespace qorvid::host {

namespace {

TEST(Utf, RoundTripsTextOfEveryLength) {
  const char* cases[] = {"", "SELECT 1", "Выполнить", "Ёё№", "€", "a\xF0\x9F\x98\x80z"};
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    WideString w;
    ASSERT_TRUE(WideFromUtf8(c, w));
    EXPECT_EQ(Utf8FromWide(w), c);
  }
  WideString w;
  ASSERT_TRUE(WideFromUtf8("\xF0\x9F\x98\x80", w));
  ASSERT_EQ(w.size(), 2u);  // a surrogate pair
  EXPECT_EQ(static_cast<unsigned>(w[0]), 0xD83Du);
  EXPECT_EQ(static_cast<unsigned>(w[1]), 0xDE00u);
}

TEST(Utf, RefusesMalformedInput) {
  const char* cases[] = {
      "\x80",              // a continuation byte alone
      "\xC0\x80",          // overlong NUL
      "\xE0\x80\x80",      // overlong
      "\xE2\x82",          // cut short
      "abc\xD0",           // cut short at the end
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xF5\x80\x80\x80",  // not a lead byte
      "\xD0\x41",          // continuation missing
  };
  for (const char* c : cases) {
    WideString w;
    EXPECT_FALSE(WideFromUtf8(c, w)) << c;
  }
}

TEST(Utf, ShowsAnUnpairedSurrogateAsTheReplacementCharacter) {
  const OLECHAR lone[] = {u'a', static_cast<OLECHAR>(0xD800), u'b', static_cast<OLECHAR>(0xDC00)};
  EXPECT_EQ(Utf8FromWide(lone, 4),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromBstr(nullptr), "");
}

TEST(Utf, CountsTheColumnsATerminalGivesText) {
  const struct {
    const char* text;
    size_t width;
  } cases[] = {
      {"Код | Name", 10},
      {"\xE6\x97\xA5\xE6\x9C\xAC", 4},  // two CJK ideographs
      {"e\xCC\x81", 1},                 // e and a combining acute accent
      {"\xF0\x9F\x98\x80", 2},          // an emoji
      {"\xF0\x9F\x9A\x80", 2},          // an emoji of another block (a rocket)
      {"қазақ №€", 8},                  // letters and signs beyond cp1251: one each
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8Width(c.text), c.width) << c.text;
}

TEST(Utf, FoldsLatinAndCyrillicLetters) {
  WideString typed, name;
  WideFromUtf8("выполнить EXECUTE ёЁ", typed);
  WideFromUtf8("ВЫПОЛНИТЬ execute ЁЁ", name);
  ASSERT_EQ(typed.size(), name.size());
  for (size_t i = 0; i < typed.size(); ++i)
    EXPECT_EQ(platform::FoldCase(typed[i]), platform::FoldCase(name[i]));
}

}  // namespace

}  // namespace qorvid::host

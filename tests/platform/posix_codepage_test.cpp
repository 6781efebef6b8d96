// The ANSI code page on this platform: 1251 by default, settable per process.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

class CodePage : public ::testing::Test {
 protected:
  void SetUp() override { PlatformSetAnsiCodePage(1251); }
  void TearDown() override { PlatformSetAnsiCodePage(1251); }
};

std::string ToBytes(UINT cp, const std::u16string& s, BOOL* usedDefault = nullptr,
                    DWORD flags = 0) {
  int n = WideCharToMultiByte(cp, flags, s.data(), int(s.size()), nullptr, 0, nullptr, usedDefault);
  std::string out(n, '\0');
  if (n) WideCharToMultiByte(cp, flags, s.data(), int(s.size()), &out[0], n, nullptr, usedDefault);
  return out;
}

std::u16string ToWide(UINT cp, const std::string& s, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, s.data(), int(s.size()), nullptr, 0);
  std::u16string out(n, u'\0');
  if (n) MultiByteToWideChar(cp, flags, s.data(), int(s.size()), &out[0], n);
  return out;
}

TEST_F(CodePage, CyrillicRoundTripsThroughCp1251) {
  EXPECT_EQ(GetACP(), 1251u);
  const std::u16string text = u"Привет, Ёж № 1 €";
  const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6 \xB9 1 \x88";
  EXPECT_EQ(ToBytes(CP_ACP, text), bytes);
  EXPECT_EQ(ToWide(CP_ACP, bytes), text);
  Bstr b = Bstr::fromAnsi(bytes);
  EXPECT_EQ(b.wide(), text);
  EXPECT_EQ(b.ansi(), bytes);
}

TEST_F(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  struct Case {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"a漢b", "a?b"},
      {u"\U0001F600", "?"},  // a surrogate pair is one character
      {u"x\xD800y", "x?y"},  // as is a lone surrogate
  };
  for (const Case& c : cases) {
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, c.in, &used), c.out);
    EXPECT_TRUE(used);
  }
  BOOL used = TRUE;
  ToBytes(CP_ACP, u"plain", &used);
  EXPECT_FALSE(used);
}

TEST_F(CodePage, BestFitLookAlikesUnlessTheCallerRefusesThem) {
  struct Case {
    std::u16string in;
    std::string bestFit;
  } cases[] = {
      {u"café À", "cafe A"},
      {u"Łódź", "Lodz"},
      {u"ＡＢＣ１２３！", "ABC123!"},
      {u"┌─┬─┐│ │└─┴─┘", "+-+-+| |+-+-+"},
      {u"Æ ß", "? ?"},
      {u"a\U0001F600b", "a?b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToBytes(CP_ACP, c.in), c.bestFit);
    BOOL used = FALSE;
    std::string strict = ToBytes(CP_ACP, c.in, &used, WC_NO_BEST_FIT_CHARS);
    EXPECT_EQ(strict.size(), c.bestFit.size());
    EXPECT_TRUE(used);
    for (size_t i = 0; i < strict.size(); ++i) {
      if (strict[i] != c.bestFit[i]) {
        EXPECT_EQ(strict[i], '?');
      }
    }
  }
}

TEST_F(CodePage, UndefinedBytesSurviveARoundTrip) {
  // 0x98 has no character in 1251; it stands for U+0098 both ways.
  EXPECT_EQ(ToWide(CP_ACP, "a\x98", MB_ERR_INVALID_CHARS), u"a\x0098");
  BOOL used = TRUE;
  EXPECT_EQ(ToBytes(CP_ACP, u"\x0098", &used), "\x98");
  EXPECT_FALSE(used);
  EXPECT_EQ(ToBytes(CP_ACP, u"\x0099"), "?") << "U+0099 is 0x99 only where 0x99 is undefined";
}

TEST_F(CodePage, FollowsTheCodePageSetForTheProcess) {
  PlatformSetAnsiCodePage(1252);
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(ToBytes(CP_ACP, u"ü"), "\xFC");
  EXPECT_EQ(ToBytes(CP_ACP, u"Ж"), "?");
}

TEST_F(CodePage, ThreadsMeetingACodePageTogetherAllSeeItWhole) {
  std::vector<std::u16string> seen(4);
  std::vector<std::thread> threads;
  for (std::u16string& s : seen)
    threads.emplace_back([&s] { s = ToWide(1257, "\xC0\xE0\xD0 \xFF"); });
  for (std::thread& t : threads) t.join();
  for (const std::u16string& s : seen) EXPECT_EQ(s, u"ĄąŠ ˙");
}

// 1258 composes a letter with the accent after it, so its bytes are not
// one character each: a text may shrink or grow on the way.
TEST_F(CodePage, ComposingCodePageKeepsItsSequences) {
  EXPECT_EQ(ToWide(1258,
                   "A\xCC"
                   "b"),
            u"Àb");
  EXPECT_EQ(ToBytes(1258, u"ẠÀ"), "A\xF2\xC0");
  PlatformSetAnsiCodePage(1258);
  EXPECT_EQ(AnsiFromWide(WideString(u"Ạ")), "A\xF2");
  EXPECT_EQ(WideFromAnsi("A\xCC"), u"À");
  EXPECT_EQ(Bstr::fromAnsi("A\xCC"
                           "b")
                .wide(),
            u"Àb");
}

TEST_F(CodePage, Utf8IncludingSupplementaryCharacters) {
  const std::u16string text = u"Ж€\U0001F600";
  const std::string utf8 = "\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(ToBytes(CP_UTF8, text), utf8);
  EXPECT_EQ(ToWide(CP_UTF8, utf8), text);
  EXPECT_EQ(ToBytes(CP_UTF8, u"\xDC00"), "\xEF\xBF\xBD");
}

TEST_F(CodePage, InvalidUtf8) {
  EXPECT_EQ(ToWide(CP_UTF8,
                   "a\xFF"
                   "b"),
            u"a\xFFFD"
            u"b");
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST_F(CodePage, BufferSizesAndTerminators) {
  OLECHAR wide[8];
  // -1 counts the NUL.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
  EXPECT_EQ(wide[3], 0);
  // Embedded NULs are ordinary characters.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, wide, 8), 3);
  EXPECT_EQ(wide[1], 0);
  EXPECT_EQ(wide[2], 'b');

  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  char bytes[2];
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, OLESTR("abc"), 3, bytes, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  // A surrogate pair is one byte, so three units may fit two bytes.
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\U0001F600", 3, bytes, 2, nullptr, nullptr), 2);
  EXPECT_EQ(std::string(bytes, 2), "a?");

  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 8), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, 3, bytes, 2, nullptr, nullptr), 0);
}

}  // namespace

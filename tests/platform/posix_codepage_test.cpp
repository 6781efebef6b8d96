// The ANSI code page on this platform: 1251 by default, settable per process.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// iconv's reading of UTF-8 and UTF-16, with a replacement (and a step of
// one byte or unit) where it refuses the input: what UTF-8 conversions give.
std::string IconvConvert(const char* to, const char* from, const std::string& in, size_t unit,
                         const std::string& replacement, bool* invalid) {
  iconv_t cd = iconv_open(to, from);
  std::string out;
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  while (inLeft > 0) {
    char buf[64];
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf, outPtr - buf);
    if (r != size_t(-1) || errno == E2BIG) continue;
    size_t skip = unit;
    if (unit == 2 && inLeft >= 4) {  // a whole surrogate pair is skipped at once
      char16_t c[2];
      std::memcpy(c, inPtr, 4);
      if (c[0] >= 0xD800 && c[0] < 0xDC00 && c[1] >= 0xDC00 && c[1] < 0xE000) skip = 4;
    }
    skip = std::min(skip, inLeft);
    inPtr += skip;
    inLeft -= skip;
    out += replacement;
    *invalid = true;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

TEST_F(CodePage, Utf8DecodesAsIconvDoes) {
  std::vector<std::string> inputs = {"plain",
                                     "\xC2\x80",
                                     "\xC1\xBF",
                                     "\xE0\x80\xAF",
                                     "\xE0\xA0\x80",
                                     "\xED\x9F\xBF",
                                     "\xED\xA0\x80",
                                     "\xEF\xBF\xBF",
                                     "\xF0\x8F\xBF\xBF",
                                     "\xF4\x8F\xBF\xBF",
                                     "\xF4\x90\x80\x80",
                                     "\xF8\x88\x80\x80\x80",
                                     "x\xE2\x82",
                                     "\xE2\x82x",
                                     "\x80\xBF",
                                     "\xF0\x9F\x98",
                                     "a\xFF"
                                     "b",
                                     std::string("\0\xD0\x96", 3)};
  // Every pair of bytes, and sequences of three and four with telling bytes.
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) inputs.push_back({char(a), char(b)});
  const unsigned char telling[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90,
                                   0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
  for (int lead = 0xC0; lead < 0x100; ++lead)
    for (unsigned char b : telling)
      for (unsigned char c : telling) {
        inputs.push_back({char(lead), char(b), char(c)});
        if (lead >= 0xF0 && lead < 0xF8)
          for (unsigned char d : telling) inputs.push_back({char(lead), char(b), char(c), char(d)});
      }
  for (const std::string& in : inputs) {
    bool invalid = false;
    const std::string expected =
        IconvConvert("UTF-16LE", "UTF-8", in, 1, std::string("\xFD\xFF", 2), &invalid);
    const std::u16string got = ToWide(CP_UTF8, in);
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(got.data()), got.size() * 2), expected)
        << testing::PrintToString(in);
    SetLastError(0);
    const int strict =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), nullptr, 0);
    ASSERT_EQ(strict == 0, invalid) << testing::PrintToString(in);
    if (invalid) {
      ASSERT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
    }
  }
}

TEST_F(CodePage, Utf8EncodesAsIconvDoes) {
  std::vector<std::u16string> inputs = {u"\xD83D\xDE00", u"\xD83Dx", u"x\xDE00",
                                        u"\xDE00\xD83D", u"\xD83D",  std::u16string(1, u'\0')};
  for (int c = 1; c < 0x10000; ++c) inputs.push_back(std::u16string(1, char16_t(c)));
  for (const std::u16string& in : inputs) {
    bool invalid = false;
    const std::string expected = IconvConvert(
        "UTF-8", "UTF-16LE", std::string(reinterpret_cast<const char*>(in.data()), in.size() * 2),
        2, "\xEF\xBF\xBD", &invalid);
    ASSERT_EQ(ToBytes(CP_UTF8, in), expected) << int(in[0]);
  }
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

// The POSIX side of the regional settings: the user locale read from the
// process environment, the test hook that fixes it, and the conversion inputs
// that only this platform defines (no system to compare with).
#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/platform/conversion_support.h"

using namespace conversion_test;

namespace {

// Sets the locale variables for one test and puts them back after; the
// platform reads them again at PlatformResetRegionalSettings only.
class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      const char* value = std::getenv(kNames[i]);
      saved_[i] = value ? value : "";
      had_[i] = value != nullptr;
      unsetenv(kNames[i]);
    }
    PlatformResetRegionalSettings();  // follow the environment
  }
  void TearDown() override {
    for (int i = 0; i < 4; ++i) {
      if (had_[i])
        setenv(kNames[i], saved_[i].c_str(), 1);
      else
        unsetenv(kNames[i]);
    }
    PlatformResetRegionalSettings();
  }
  static void Set(const char* name, const char* value) {
    setenv(name, value, 1);
    PlatformResetRegionalSettings();
  }

  static constexpr const char* kNames[4] = {"LC_ALL", "LC_MESSAGES", "LANG",
                                            "QORVID_ANSI_CODEPAGE"};
  std::string saved_[4];
  bool had_[4] = {};
};
constexpr const char* LocaleEnvironment::kNames[4];

TEST_F(LocaleEnvironment, RussianLocaleNamesGiveRussianSettings) {
  struct {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    LCID expected;
  } rows[] = {
      {nullptr, nullptr, nullptr, kEnglish},
      {"ru_RU.UTF-8", nullptr, nullptr, kRussian},
      {"ru_RU.CP1251", "en_US.UTF-8", "en_US.UTF-8", kRussian},
      {"en_US.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8", kEnglish},
      {"", "ru_RU.UTF-8", nullptr, kRussian},
      {nullptr, nullptr, "ru_UA.UTF-8", kRussian},
      {"C", nullptr, "ru_RU.UTF-8", kEnglish},
      {nullptr, nullptr, "xx_YY.UTF-8", kEnglish},
      {nullptr, nullptr, "POSIX", kEnglish},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(std::string(row.lcAll ? row.lcAll : "-") + " / " +
                 (row.lcMessages ? row.lcMessages : "-") + " / " + (row.lang ? row.lang : "-"));
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
    if (row.lcAll) Set("LC_ALL", row.lcAll);
    if (row.lcMessages) Set("LC_MESSAGES", row.lcMessages);
    if (row.lang) Set("LANG", row.lang);
    PlatformResetRegionalSettings();
    EXPECT_EQ(GetUserDefaultLCID(), row.expected);
    EXPECT_EQ(GetSystemDefaultLCID(), row.expected);
    EXPECT_EQ(Converted(R8(2.5), LOCALE_USER_DEFAULT, VT_BSTR),
              Text(row.expected == kRussian ? "2,5" : "2.5"));
  }
}

// Whether the system has the locale data of name (scripts/install-deps
// generates de_DE.UTF-8 and uk_UA.UTF-8).
bool Installed(const char* name) {
  locale_t loc = newlocale(LC_ALL_MASK, name, nullptr);
  if (loc != nullptr) freelocale(loc);
  return loc != nullptr;
}

TEST_F(LocaleEnvironment, OtherLocalesWriteAsTheirOwnDataSays) {
  if (!Installed("de_DE.UTF-8") || !Installed("uk_UA.UTF-8"))
    GTEST_SKIP() << "de_DE.UTF-8 or uk_UA.UTF-8 is not installed (scripts/install-deps)";
  const LCID german = 0x0407, ukrainian = 0x0422;
  const double nineSevenThree = 38051 + (9 * 3600 + 7 * 60 + 3) / 86400.0;
  struct {
    LCID lcid;
    Variant value;
    VARTYPE vt;
    std::string expected;
  } rows[] = {
      {german, R8(2.5), VT_BSTR, Text("2,5")},
      {german, R8(1.2e15), VT_BSTR, Text("1,2E+15")},
      {german, Date(nineSevenThree), VT_BSTR, Text("05.03.2004 09:07:03")},
      {german, Str(OLESTR("05.03.2004 9:07:03")), VT_DATE, "DATE 38051.379895833335"},
      {german, Str(OLESTR("1.234,5")), VT_R8, "R8 1234.5"},
      {german, Str(OLESTR("12,5 \u20AC")), VT_CY, "CY 125000"},
      {ukrainian, Date(38051), VT_BSTR, Text("05.03.2004")},
      {ukrainian, Str(OLESTR("2,5")), VT_R8, "R8 2.5"},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(Converted(row.value, row.lcid, row.vt), row.expected);
  }
  char separator[4] = "";
  ASSERT_EQ(GetLocaleInfoA(german, LOCALE_SDECIMAL, separator, sizeof separator), 2);
  EXPECT_EQ(std::string(separator), ",");
  // A German user gets German settings; Russian and US English stay built in.
  Set("LANG", "de_DE.UTF-8");
  EXPECT_EQ(GetUserDefaultLCID(), german);
  EXPECT_EQ(Converted(R8(2.5), LOCALE_USER_DEFAULT, VT_BSTR), Text("2,5"));
  Set("LANG", "ru_RU.UTF-8");
  EXPECT_EQ(Converted(Date(nineSevenThree), LOCALE_USER_DEFAULT, VT_BSTR),
            Text("05.03.2004 9:07:03"));
}

TEST_F(LocaleEnvironment, FixedUserLocaleWinsOverTheEnvironment) {
  Set("LC_ALL", "ru_RU.UTF-8");
  PlatformSetUserLocale(kEnglish);
  EXPECT_EQ(GetUserDefaultLCID(), kEnglish);
  EXPECT_EQ(Converted(R8(2.5), LOCALE_USER_DEFAULT, VT_BSTR), Text("2.5"));
  EXPECT_EQ(Converted(Str(OLESTR("2,5")), LOCALE_SYSTEM_DEFAULT, VT_I4), "I4 25");
  char decimal[4];
  ASSERT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal), 2);
  EXPECT_STREQ(decimal, ".");

  PlatformSetUserLocale(kRussian);
  EXPECT_EQ(GetUserDefaultLCID(), kRussian);
  EXPECT_EQ(Converted(R8(2.5), LOCALE_USER_DEFAULT, VT_BSTR), Text("2,5"));
  EXPECT_EQ(Converted(Str(OLESTR("2,5")), LOCALE_USER_DEFAULT, VT_I4), "I4 2");
  Variant source = R8(2.5), result;
  ASSERT_EQ(VariantChangeType(result.ptr(), source.ptr(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(Describe(result.get()), Text("2,5"));
  // Explicit locales are not moved by the user locale.
  EXPECT_EQ(Converted(R8(2.5), kEnglish, VT_BSTR), Text("2.5"));

  // The default hands the choice back to the environment.
  Set("LC_ALL", "en_US.UTF-8");
  PlatformSetUserLocale(LOCALE_USER_DEFAULT);
  EXPECT_EQ(GetUserDefaultLCID(), kEnglish);
}

TEST_F(LocaleEnvironment, EnvironmentIsReadAgainOnlyAtTheReset) {
  Set("LC_ALL", "ru_RU.UTF-8");
  ASSERT_EQ(GetUserDefaultLCID(), kRussian);
  ASSERT_EQ(GetACP(), 1251u);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  setenv("QORVID_ANSI_CODEPAGE", "1252", 1);
  EXPECT_EQ(GetUserDefaultLCID(), kRussian);
  EXPECT_EQ(GetACP(), 1251u);
  // The reset also drops what a test fixed.
  PlatformSetUserLocale(kRussian);
  PlatformSetAnsiCodePage(866);
  PlatformResetRegionalSettings();
  EXPECT_EQ(GetUserDefaultLCID(), kEnglish);
  EXPECT_EQ(GetThreadLocale(), kEnglish);
  EXPECT_EQ(GetACP(), 1252u);
}

TEST_F(LocaleEnvironment, ThreadLocaleFollowsTheUserLocaleUntilSet) {
  PlatformSetUserLocale(kRussian);
  // A new thread has made no choice of its own yet.
  std::thread([] {
    EXPECT_EQ(GetThreadLocale(), kRussian);
    EXPECT_FALSE(SetThreadLocale(0x12345));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetThreadLocale(), kRussian);
    PlatformSetUserLocale(kEnglish);
    EXPECT_EQ(GetThreadLocale(), kEnglish);
    ASSERT_TRUE(SetThreadLocale(kRussian));
    PlatformSetUserLocale(kEnglish);
    EXPECT_EQ(GetThreadLocale(), kRussian);
  }).join();
  // The choice was that thread's only.
  std::thread([] { EXPECT_EQ(GetThreadLocale(), kEnglish); }).join();
}

// Inputs a host should never pass; Windows' answers are not ours to measure,
// so these are this platform's own: clear errors, nothing touched.
TEST(ConversionRobustness, InvalidInputsFailCleanly) {
  Variant value = Variant::fromInt(1);
  EXPECT_EQ(VariantChangeTypeEx(nullptr, value.ptr(), kEnglish, 0, VT_BSTR), E_INVALIDARG);
  EXPECT_EQ(VariantChangeTypeEx(value.ptr(), nullptr, kEnglish, 0, VT_BSTR), E_INVALIDARG);

  Variant nullReference;
  nullReference.ptr()->vt = VT_I4 | VT_BYREF;
  nullReference.ptr()->plVal = nullptr;
  Variant badType;
  badType.ptr()->vt = 15;
  Variant badReference;
  badReference.ptr()->vt = VT_EMPTY | VT_BYREF;
  struct {
    const char* label;
    Variant* source;
    HRESULT expected;
  } rows[] = {
      {"null reference", &nullReference, DISP_E_TYPEMISMATCH},
      {"type code 15", &badType, DISP_E_BADVARTYPE},
      {"reference to EMPTY", &badReference, DISP_E_BADVARTYPE},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.label);
    Variant result = Variant::fromInt(7);
    EXPECT_EQ(VariantChangeTypeEx(result.ptr(), row.source->ptr(), kEnglish, 0, VT_BSTR),
              row.expected);
    EXPECT_EQ(Describe(result.get()), "I4 7");
  }
  badType.ptr()->vt = VT_EMPTY;  // nothing for the owner to clear
  badReference.ptr()->vt = VT_EMPTY;
}

TEST(ConversionRobustness, NonFiniteDoubles) {
  const double inf = HUGE_VAL;
  const double nan = std::nan("");
  for (LCID lcid : {kEnglish, kRussian}) {
    SCOPED_TRACE(lcid);
    EXPECT_EQ(Converted(R8(inf), lcid, VT_BSTR), Text("INF"));
    EXPECT_EQ(Converted(R8(-inf), lcid, VT_BSTR), Text("-INF"));
    EXPECT_EQ(Converted(R8(nan), lcid, VT_BSTR), Text("NAN"));
    EXPECT_EQ(Converted(R8(nan), lcid, VT_I4), Failure(DISP_E_OVERFLOW));
    EXPECT_EQ(Converted(R8(inf), lcid, VT_CY), Failure(DISP_E_OVERFLOW));
    EXPECT_EQ(Converted(R8(inf), lcid, VT_DECIMAL), Failure(DISP_E_OVERFLOW));
    EXPECT_EQ(Converted(R8(nan), lcid, VT_DATE), Failure(DISP_E_OVERFLOW));
    EXPECT_EQ(Converted(R8(inf), lcid, VT_R4), "R4 inf");
  }
}

TEST(ConversionRobustness, ExtremeTextStaysBounded) {
  // Long digit runs and huge exponents are read without overflow of their own.
  std::basic_string<OLECHAR> digits(5000, OLECHAR('9'));
  Variant longText = Variant::fromWide(digits);
  EXPECT_EQ(Converted(longText, kEnglish, VT_I4), Failure(DISP_E_OVERFLOW));
  EXPECT_EQ(Converted(longText, kEnglish, VT_R8), Failure(DISP_E_OVERFLOW));
  EXPECT_EQ(Converted(Str(OLESTR("1e999999999999")), kEnglish, VT_R8), Failure(DISP_E_OVERFLOW));
  EXPECT_EQ(Converted(Str(OLESTR("1e-999999999999")), kEnglish, VT_I4), "I4 0");
  EXPECT_EQ(Converted(Str(OLESTR("&H10000000000000000")), kEnglish, VT_UI8),
            Failure(DISP_E_OVERFLOW));
  EXPECT_EQ(Converted(Str(OLESTR("&H")), kEnglish, VT_I4), Failure(DISP_E_TYPEMISMATCH));
}

}  // namespace

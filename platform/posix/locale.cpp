// Regional settings: the user default locale follows the POSIX locale of the
// process (a Russian one gives 0x0419, anything else 0x0409), tests may fix it
// with PlatformSetUserLocale, and each thread may choose its own thread locale.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/posix/locale_settings.h"
#include "platform/posix/win32_posix.h"

namespace platform_posix {
namespace {

const LCID kEnglishUs = 0x0409;
const LCID kRussian = 0x0419;

const LocaleSettings kEnglishSettings = {kEnglishUs, u'.', u',', false, true, true};
// Russian groups thousands with a non-breaking space.
const LocaleSettings kRussianSettings = {kRussian, u',', u'\u00A0', true, false, false};

// 0: not fixed by a test, follow the environment.
std::atomic<LCID> userLocaleOverride{0};
// 0: the thread has not chosen one, it follows the user locale.
thread_local LCID threadLocale = 0;

// The POSIX rule: LC_ALL wins, then the category (messages name the user's
// language), then LANG.
LCID LocaleFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::strncmp(value, "ru", 2) == 0 ? kRussian : kEnglishUs;
  }
  return kEnglishUs;
}

LCID CurrentUserLocale() {
  LCID fixed = userLocaleOverride.load();
  return fixed != 0 ? fixed : LocaleFromEnvironment();
}

}  // namespace

LCID ResolveLocale(LCID lcid) {
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT || lcid == LOCALE_NEUTRAL)
    return CurrentUserLocale();
  return lcid;
}

bool IsKnownLocale(LCID lcid) {
  LCID resolved = ResolveLocale(lcid);
  return resolved == kEnglishUs || resolved == kRussian || resolved == LOCALE_INVARIANT;
}

const LocaleSettings& LocaleSettingsFor(LCID lcid) {
  return ResolveLocale(lcid) == kRussian ? kRussianSettings : kEnglishSettings;
}

}  // namespace platform_posix

extern "C" {

LCID GetUserDefaultLCID(void) { return platform_posix::ResolveLocale(LOCALE_USER_DEFAULT); }

// One machine, one user: the system locale is the user's, as Wine has it.
LCID GetSystemDefaultLCID(void) { return platform_posix::ResolveLocale(LOCALE_SYSTEM_DEFAULT); }

LCID GetThreadLocale(void) {
  return platform_posix::threadLocale != 0 ? platform_posix::threadLocale : GetUserDefaultLCID();
}

BOOL SetThreadLocale(LCID Locale) {
  if (!platform_posix::IsKnownLocale(Locale)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform_posix::threadLocale = platform_posix::ResolveLocale(Locale);
  return TRUE;
}

int GetLocaleInfoA(LCID Locale, DWORD LCType, LPSTR lpLCData, int cchData) {
  if (!platform_posix::IsKnownLocale(Locale) || cchData < 0 ||
      (cchData > 0 && lpLCData == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const platform_posix::LocaleSettings& settings = platform_posix::LocaleSettingsFor(Locale);
  OLECHAR value;
  switch (LCType & ~static_cast<DWORD>(LOCALE_NOUSEROVERRIDE)) {
    case LOCALE_SDECIMAL:
      value = settings.decimalSeparator;
      break;
    case LOCALE_STHOUSAND:
      value = settings.thousandSeparator;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
  // The "A" form answers in the ANSI code page, terminator included.
  char text[8];
  int n = WideCharToMultiByte(CP_ACP, 0, &value, 1, text, sizeof text - 1, nullptr, nullptr);
  if (n <= 0) {
    text[0] = '?';
    n = 1;
  }
  text[n++] = '\0';
  if (cchData == 0) return n;
  if (cchData < n) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpLCData, text, n);
  return n;
}

void PlatformSetUserLocale(LCID lcid) {
  // 0 hands the choice back to the environment.
  platform_posix::userLocaleOverride.store(
      lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT ? 0 : lcid);
}

}  // extern "C"

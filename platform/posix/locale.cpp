// Regional settings: the user default locale follows the POSIX locale of the
// process (a Russian one gives 0x0419, one of kLocales its LCID, anything
// else 0x0409), read from the environment at first use and again only at
// PlatformResetRegionalSettings, since the locale functions are called for
// every value converted; tests may fix it with PlatformSetUserLocale, and
// each thread may choose its own thread locale.
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/locale_settings.h"
#include "platform/posix/win32_posix.h"

namespace qorvid::platform {
namespace {

const LCID kEnglishUs = 0x0409;
const LCID kRussian = 0x0419;

const LocaleSettings kEnglishSettings = {kEnglishUs, u'.', u',',  false, true,
                                         true,       u'/', false, false, u"$"};
// Russian groups thousands with a non-breaking space.
const LocaleSettings kRussianSettings = {kRussian, u',', u'\u00A0', true,  false,
                                         false,    u'.', false,     false, u"\u20BD"};

// Locales whose settings come from the system's locale data.
struct KnownLocale {
  const char* name;
  LCID lcid;
};
const KnownLocale kLocales[] = {
    {"de_DE", 0x0407}, {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"uk_UA", 0x0422}, {"kk_KZ", 0x043F},
    {"be_BY", 0x0423}, {"uz_UZ", 0x0443}, {"hy_AM", 0x042B}, {"ka_GE", 0x0437}, {"az_AZ", 0x042C},
    {"fr_FR", 0x040C}, {"fr_CA", 0x0C0C}, {"es_ES", 0x0C0A}, {"it_IT", 0x0410}, {"pt_BR", 0x0416},
    {"pt_PT", 0x0816}, {"nl_NL", 0x0413}, {"pl_PL", 0x0415}, {"cs_CZ", 0x0405}, {"sk_SK", 0x041B},
    {"bg_BG", 0x0402}, {"ro_RO", 0x0418}, {"hu_HU", 0x040E}, {"tr_TR", 0x041F}, {"el_GR", 0x0408},
    {"fi_FI", 0x040B}, {"sv_SE", 0x041D}, {"da_DK", 0x0406}, {"nb_NO", 0x0414}, {"lt_LT", 0x0427},
    {"lv_LV", 0x0426}, {"et_EE", 0x0425}, {"en_GB", 0x0809},
};

// Every conversion looks its locale up, so the table is searched by halves
// in an index sorted once.
const KnownLocale* FindLocale(LCID lcid) {
  static const std::vector<const KnownLocale*> byLcid = [] {
    std::vector<const KnownLocale*> index;
    for (const KnownLocale& l : kLocales) index.push_back(&l);
    std::sort(index.begin(), index.end(),
              [](const KnownLocale* a, const KnownLocale* b) { return a->lcid < b->lcid; });
    return index;
  }();
  auto found = std::lower_bound(byLcid.begin(), byLcid.end(), lcid,
                                [](const KnownLocale* l, LCID id) { return l->lcid < id; });
  return found != byLcid.end() && (*found)->lcid == lcid ? *found : nullptr;
}

// The first UTF-16 unit of a short UTF-8 text (the separators are one
// character each), 0 for an empty one.
OLECHAR FirstCharacter(const char* utf8) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  if (p[0] < 0x80) return p[0];
  if ((p[0] & 0xE0) == 0xC0) return static_cast<OLECHAR>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
  if ((p[0] & 0xF0) == 0xE0)
    return static_cast<OLECHAR>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
  return u'?';
}

// The settings of a system locale, read through its own locale object so
// that the process locale stays as it is. False when it is not installed.
bool ReadSystemLocale(const KnownLocale& known, LocaleSettings* out) {
  locale_t loc = newlocale(LC_ALL_MASK, (std::string(known.name) + ".UTF-8").c_str(), nullptr);
  if (loc == nullptr) return false;
  LocaleSettings s = kEnglishSettings;
  s.lcid = known.lcid;
  s.englishNames = false;
  s.decimalSeparator = FirstCharacter(nl_langinfo_l(RADIXCHAR, loc));
  s.thousandSeparator = FirstCharacter(nl_langinfo_l(THOUSEP, loc));
  // The order of %d, %m and %y/%Y in the short date, and what stands
  // between the first two.
  const std::string date = nl_langinfo_l(D_FMT, loc);
  size_t day = date.find("%d"), month = date.find("%m"), year = date.find_first_of("yY");
  if (day == std::string::npos) day = date.find("%e");
  if (day != std::string::npos && month != std::string::npos && year != std::string::npos) {
    s.yearFirst = year < month && year < day;
    s.dayFirst = !s.yearFirst && day < month;
    size_t first = std::min(std::min(day, month), year - 1);
    if (first + 2 < date.size() && date[first + 2] != '%')
      s.dateSeparator = static_cast<OLECHAR>(static_cast<unsigned char>(date[first + 2]));
  }
  const std::string time = nl_langinfo_l(T_FMT, loc);
  s.twelveHour = time.find("%I") != std::string::npos || time.find("%r") != std::string::npos ||
                 time.find("%p") != std::string::npos;
  s.hourTwoDigits = !s.twelveHour &&
                    (time.find("%H") != std::string::npos || time.find("%T") != std::string::npos);
  // The currency sign, without the position mark nl_langinfo puts first.
  const char* currency = nl_langinfo_l(CRNCYSTR, loc);
  if (*currency == '-' || *currency == '+' || *currency == '.') ++currency;
  std::u16string sign;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(currency); *p;) {
    sign += FirstCharacter(reinterpret_cast<const char*>(p));
    ++p;
    while ((*p & 0xC0) == 0x80) ++p;
  }
  std::memset(s.currency, 0, sizeof s.currency);
  if (sign.size() < 8) std::memcpy(s.currency, sign.data(), sign.size() * sizeof(OLECHAR));
  freelocale(loc);
  *out = s;
  return true;
}

// Read once per locale and never freed, so references to them remain valid.
// Every conversion asks for its locale's settings, so a settled entry is
// found without a lock.
struct SystemEntry {
  bool installed = false;
  LocaleSettings settings;
};

const LocaleSettings* SystemLocaleSettings(LCID lcid) {
  const KnownLocale* known = FindLocale(lcid);
  if (known == nullptr) return nullptr;
  static std::atomic<const SystemEntry*> entries[std::size(kLocales)];
  std::atomic<const SystemEntry*>& slot = entries[known - kLocales];
  const SystemEntry* entry = slot.load(std::memory_order_acquire);
  if (entry == nullptr) {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    entry = slot.load(std::memory_order_acquire);
    if (entry == nullptr) {
      SystemEntry* read = new SystemEntry;
      read->installed = ReadSystemLocale(*known, &read->settings);
      slot.store(read, std::memory_order_release);
      entry = read;
    }
  }
  return entry->installed ? &entry->settings : nullptr;
}

// The user locale: fixed by a test or read from the environment, once; 0
// until the first call reads it. Every thread reads it, so it is published
// whole through one atomic.
std::atomic<LCID> userLocale{0};
// 0: the thread has not chosen one, it follows the user locale.
thread_local LCID threadLocale = 0;

// The POSIX rule: LC_ALL wins, then the category (messages name the user's
// language), then LANG.
LCID LocaleFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    if (std::strncmp(value, "ru", 2) == 0) return kRussian;
    for (const KnownLocale& l : kLocales)
      if (std::strncmp(value, l.name, 5) == 0 && SystemLocaleSettings(l.lcid) != nullptr)
        return l.lcid;
    return kEnglishUs;
  }
  return kEnglishUs;
}

LCID CurrentUserLocale() {
  LCID current = userLocale.load(std::memory_order_relaxed);
  if (current != 0) return current;
  // A test fixing the locale meanwhile wins over what was read here.
  LCID read = LocaleFromEnvironment();
  return userLocale.compare_exchange_strong(current, read) ? read : current;
}

}  // namespace

LCID ResolveLocale(LCID lcid) {
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT || lcid == LOCALE_NEUTRAL)
    return CurrentUserLocale();
  return lcid;
}

bool IsKnownLocale(LCID lcid) {
  LCID resolved = ResolveLocale(lcid);
  return resolved == kEnglishUs || resolved == kRussian || resolved == LOCALE_INVARIANT ||
         SystemLocaleSettings(resolved) != nullptr;
}

const LocaleSettings& LocaleSettingsFor(LCID lcid) {
  LCID resolved = ResolveLocale(lcid);
  if (resolved == kRussian) return kRussianSettings;
  const LocaleSettings* system = SystemLocaleSettings(resolved);
  return system != nullptr ? *system : kEnglishSettings;
}

}  // namespace qorvid::platform

extern "C" {

LCID GetUserDefaultLCID(void) { return qorvid::platform::ResolveLocale(LOCALE_USER_DEFAULT); }

// One machine, one user: the system locale is the user's, as Wine has it.
LCID GetSystemDefaultLCID(void) { return qorvid::platform::ResolveLocale(LOCALE_SYSTEM_DEFAULT); }

LCID GetThreadLocale(void) {
  return qorvid::platform::threadLocale != 0 ? qorvid::platform::threadLocale
                                             : GetUserDefaultLCID();
}

BOOL SetThreadLocale(LCID Locale) {
  if (!qorvid::platform::IsKnownLocale(Locale)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  qorvid::platform::threadLocale = qorvid::platform::ResolveLocale(Locale);
  return TRUE;
}

int GetLocaleInfoA(LCID Locale, DWORD LCType, LPSTR lpLCData, int cchData) {
  if (!qorvid::platform::IsKnownLocale(Locale) || cchData < 0 ||
      (cchData > 0 && lpLCData == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const qorvid::platform::LocaleSettings& settings = qorvid::platform::LocaleSettingsFor(Locale);
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
  // The defaults hand the choice back to the environment, read now.
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT)
    lcid = qorvid::platform::LocaleFromEnvironment();
  qorvid::platform::userLocale.store(lcid);
}

void PlatformResetRegionalSettings(void) {
  PlatformSetUserLocale(LOCALE_USER_DEFAULT);
  PlatformSetAnsiCodePage(CP_ACP);
}

}  // extern "C"

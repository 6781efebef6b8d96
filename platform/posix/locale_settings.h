// The regional settings behind the locale functions and the variant
// conversions. US English and Russian are built in; other locales take their
// separators and date order from the system's locale data of the same
// language and country (de_DE for 0x0407), when it is installed. An LCID
// without either reads as US English, as an unknown locale does in oleaut32.
#pragma once

#include "platform/posix/win32_posix.h"

namespace qorvid::platform {

struct LocaleSettings {
  LCID lcid;
  OLECHAR decimalSeparator;
  OLECHAR thousandSeparator;
  // Short date order: d.M.y (dd.MM.yyyy) rather than M/d/y (M/d/yyyy).
  bool dayFirst;
  // Time with AM/PM (h:mm:ss tt) rather than 24 hours (H:mm:ss).
  bool twelveHour;
  // Month names in dates are read in English.
  bool englishNames;
  // Between the numbers of a short date.
  OLECHAR dateSeparator;
  // Short date order y-M-d (yyyy-MM-dd); dayFirst is false then.
  bool yearFirst;
  // Hours written with two digits (HH:mm:ss).
  bool hourTwoDigits;
  // The currency sign a number text may carry before or after it.
  OLECHAR currency[8];
};

// LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and LOCALE_NEUTRAL stand for the
// current user locale; any other value is taken as it is.
LCID ResolveLocale(LCID lcid);
// True for the LCIDs this platform has settings for (after resolving).
bool IsKnownLocale(LCID lcid);
// The settings of lcid after resolving; US English for unknown ones.
const LocaleSettings& LocaleSettingsFor(LCID lcid);

}  // namespace qorvid::platform

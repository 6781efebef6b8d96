// DATE values to text and back. A DATE counts days from 30 December 1899;
// the fraction is the time of day, counted forward from midnight also for
// negative dates (-1.25 is 29 December 1899, 6:00).
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/posix/variant_change.h"

namespace platform_posix {
namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's
// algorithm), and back.
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, long* y, unsigned* m, unsigned* d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<long>(yoe) + era * 400 + (*m <= 2);
}

const long kDay0 = -25569;  // 30 December 1899, in days from 1970

bool IsLeap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(long y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

Text Widen(const char* ascii) {
  Text out;
  while (*ascii) out += static_cast<OLECHAR>(*ascii++);
  return out;
}

bool IsBlank(OLECHAR c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }

// A small scanner over the date text: numbers and the separators between
// them.
struct Scanner {
  const Text& text;
  size_t i = 0;

  void skipBlanks() {
    while (i < text.size() && IsBlank(text[i])) ++i;
  }
  bool atEnd() {
    skipBlanks();
    return i >= text.size();
  }
  bool number(long* out, int* length) {
    size_t start = i;
    long v = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && i - start < 6)
      v = v * 10 + (text[i++] - u'0');
    *out = v;
    *length = static_cast<int>(i - start);
    return i > start;
  }
  bool accept(OLECHAR c) {
    if (i < text.size() && text[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  // "AM"/"PM" (any case): 0 none, 1 AM, 2 PM.
  int meridiem() {
    skipBlanks();
    if (i + 1 < text.size() && (text[i + 1] == u'M' || text[i + 1] == u'm')) {
      OLECHAR c = text[i];
      if (c == u'A' || c == u'a' || c == u'P' || c == u'p') {
        i += 2;
        return (c == u'A' || c == u'a') ? 1 : 2;
      }
    }
    return 0;
  }
};

bool ParseTime(Scanner& s, double* fraction) {
  long h, m, sec = 0;
  int len;
  if (!s.number(&h, &len) || !s.accept(u':') || !s.number(&m, &len)) return false;
  if (s.accept(u':') && !s.number(&sec, &len)) return false;
  int meridiem = s.meridiem();
  if (meridiem != 0) {
    if (h < 1 || h > 12) return false;
    h = (h % 12) + (meridiem == 2 ? 12 : 0);
  }
  if (h > 23 || m > 59 || sec > 59) return false;
  *fraction = (h * 3600 + m * 60 + sec) / 86400.0;
  return true;
}

long CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm parts;
  localtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

}  // namespace

HRESULT DateText(DATE value, const LocaleSettings& locale, Text* out) {
  if (!IsDateInRange(value)) return E_INVALIDARG;
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  // Which parts show is decided before rounding to the second, so that a
  // time that rounds up to midnight still shows as a time.
  const bool showDate = whole != 0;
  const bool showTime = fraction != 0 || !showDate;
  long day = static_cast<long>(whole);
  long seconds = std::lround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  long y;
  unsigned m, d;
  CivilFromDays(day + kDay0, &y, &m, &d);
  char text[64] = "";
  int used = 0;
  if (showDate) {
    used = locale.dayFirst ? std::snprintf(text, sizeof text, "%02u.%02u.%ld", d, m, y)
                           : std::snprintf(text, sizeof text, "%u/%u/%ld", m, d, y);
  }
  if (showTime) {
    long h = seconds / 3600, mi = seconds / 60 % 60, s = seconds % 60;
    const char* gap = showDate ? " " : "";
    if (locale.twelveHour)
      std::snprintf(text + used, sizeof text - used, "%s%ld:%02ld:%02ld %s", gap,
                    h % 12 == 0 ? 12 : h % 12, mi, s, h < 12 ? "AM" : "PM");
    else
      std::snprintf(text + used, sizeof text - used, "%s%ld:%02ld:%02ld", gap, h, mi, s);
  }
  *out = Widen(text);
  return S_OK;
}

HRESULT ParseDateText(const Text& text, const LocaleSettings& locale, DATE* out) {
  Scanner s{text};
  s.skipBlanks();
  size_t start = s.i;
  long parts[3];
  int lengths[3];
  int count = 0;
  OLECHAR separator = 0;
  // The date: two or three numbers joined by one separator.
  while (count < 3) {
    if (!s.number(&parts[count], &lengths[count])) break;
    ++count;
    if (count == 3 || s.i >= text.size()) break;
    OLECHAR c = text[s.i];
    // Dots join a date only where the short date is written with them.
    if (c != u'/' && c != u'-' && !(c == u'.' && locale.dayFirst)) break;
    if (separator != 0 && c != separator) return DISP_E_TYPEMISMATCH;
    separator = c;
    ++s.i;
  }
  bool haveDate = count >= 2 && separator != 0;
  double day = 0;
  if (haveDate) {
    long y, m, d;
    if (count == 3 && lengths[0] == 4) {  // year-month-day
      y = parts[0], m = parts[1], d = parts[2];
    } else {
      if (locale.dayFirst)
        d = parts[0], m = parts[1];
      else
        m = parts[0], d = parts[1];
      if (m > 12 && d <= 12) std::swap(m, d);  // the only reading that makes a date
      if (count == 3) {
        y = parts[2];
        if (lengths[2] <= 2) y += y < 30 ? 2000 : 1900;
      } else {
        y = CurrentYear();
      }
    }
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 ||
        d > static_cast<long>(DaysInMonth(y, static_cast<unsigned>(m))))
      return DISP_E_TYPEMISMATCH;
    day = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) -
                              kDay0);
  } else {
    s.i = start;  // no date: the text may still be a time
  }
  double fraction = 0;
  bool haveTime = false;
  if (!s.atEnd()) {
    if (!ParseTime(s, &fraction) || !s.atEnd()) return DISP_E_TYPEMISMATCH;
    haveTime = true;
  }
  if (!haveDate && !haveTime) return DISP_E_TYPEMISMATCH;
  *out = day < 0 ? day - fraction : day + fraction;
  return S_OK;
}

}  // namespace platform_posix

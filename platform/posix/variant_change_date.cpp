// DATE values to text and back. A DATE counts days from 30 December 1899;
// the fraction is the time of day, counted forward from midnight also for
// negative dates (-1.25 is 29 December 1899, 6:00).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/ole_date.h"
#include "platform/posix/variant_change.h"
#include "platform/text_case.h"

namespace qorvid::platform {
namespace {

Text Widen(const char* ascii) {
  Text out;
  while (*ascii) out += static_cast<OLECHAR>(*ascii++);
  return out;
}

bool IsBlank(OLECHAR c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00A0' || c == u'\u3000';
}

bool IsLetter(OLECHAR c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= 0x00C0 && !IsBlank(c));
}

// Whether text at i starts with word (ASCII, any case).
bool StartsWithWord(const Text& text, size_t i, const char* word) {
  for (size_t k = 0; word[k] != '\0'; ++k)
    if (i + k >= text.size() || FoldCase(text[i + k]) != static_cast<OLECHAR>(word[k]))
      return false;
  return true;
}

const char* const kMonthNames[] = {"january",   "february", "march",    "april",
                                   "may",       "june",     "july",     "august",
                                   "september", "october",  "november", "december"};

// One number of a date text and what stands right after it.
struct DateToken {
  long value = 0;
  bool month = false;    // written as a month name
  bool timeSep = false;  // followed by ':' (or '.' where dates use no dot)
  int meridiem = 0;      // 1 AM, 2 PM
};

long CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm parts;
  localtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

// Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999.
long FullYear(long y) { return y < 50 ? y + 2000 : y < 100 ? y + 1900 : y; }

bool IsValidDate(long d, long m, long y) {
  y = FullYear(y);
  return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 &&
         d <= DaysInMonth(y, static_cast<int>(m));
}

enum Order { MDY = 1, DMY = 2, YMD = 4, MYD = 8, YDM = 16 };

// Day, month and year from two or three numbers: the locale's order first,
// then the orders close to it, then any of the four that makes a valid date
// (never a year in the middle: "2 32 3" is no date); a month name fixes
// where the month stands. Two numbers are a day and a month of this year
// or, when that fails, a month and a year in either order.
bool AssignDate(const DateToken* t, int count, const LocaleSettings& locale, long* y, long* m,
                long* d) {
  long v[3] = {t[0].value, t[1].value, count == 3 ? t[2].value : CurrentYear()};
  int allowed;
  if (t[0].month)
    allowed = MDY;
  else if (t[1].month)
    allowed = DMY | YMD;
  else if (count == 3 && t[2].month)
    allowed = YDM;
  else
    allowed = MDY | DMY | YMD | YDM;
  for (int pass = 0; pass < 2; ++pass) {
    for (int attempt = 0; allowed != 0 && attempt < 3; ++attempt) {
      const int own = locale.yearFirst ? YMD : locale.dayFirst ? DMY : MDY;
      const int near = locale.dayFirst ? ~(MDY | YDM | MYD) : ~(DMY | YDM);
      int tried = attempt == 0 ? allowed & own : attempt == 1 ? allowed & near : allowed;
      struct {
        Order order;
        int day, month, year;
      } const readings[] = {
          {MDY, 1, 0, 2}, {YMD, 2, 1, 0}, {YDM, 1, 2, 0}, {DMY, 0, 1, 2}, {MYD, 2, 0, 1}};
      for (const auto& r : readings) {
        if (!(tried & r.order)) continue;
        if (IsValidDate(v[r.day], v[r.month], v[r.year])) {
          *d = v[r.day], *m = v[r.month], *y = FullYear(v[r.year]);
          return true;
        }
        allowed &= ~r.order;
      }
    }
    if (count != 2) break;
    v[2] = 1;  // the first of the month
    allowed = YMD | MYD;
  }
  return false;
}

}  // namespace

HRESULT DateText(DATE value, const LocaleSettings& locale, bool bothParts, Text* out) {
  if (!IsDateInRange(value)) return E_INVALIDARG;
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  // Which parts show is decided before rounding to the second, so that a
  // time that rounds up to midnight still shows as a time.
  const bool showDate = whole != 0 || bothParts;
  const bool showTime = fraction != 0 || !showDate || bothParts;
  long day = static_cast<long>(whole);
  long seconds = std::lround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  const CivilDate date = CivilFromOleDay(day);
  const long long y = date.year;
  const int m = date.month, d = date.day;
  char text[64] = "";
  int used = 0;
  if (showDate) {
    // US English writes M/d/yyyy; the others two-digit days and months.
    const char sep = static_cast<char>(locale.dateSeparator < 0x80 ? locale.dateSeparator : '.');
    if (locale.yearFirst)
      used = std::snprintf(text, sizeof text, "%04lld%c%02d%c%02d", y, sep, m, sep, d);
    else if (locale.dayFirst)
      used = std::snprintf(text, sizeof text, "%02d%c%02d%c%lld", d, sep, m, sep, y);
    else if (sep == '/')
      used = std::snprintf(text, sizeof text, "%d/%d/%lld", m, d, y);
    else
      used = std::snprintf(text, sizeof text, "%02d%c%02d%c%lld", m, sep, d, sep, y);
  }
  if (showTime) {
    long h = seconds / 3600, mi = seconds / 60 % 60, s = seconds % 60;
    const char* gap = showDate ? " " : "";
    if (locale.twelveHour)
      std::snprintf(text + used, sizeof text - used, "%s%ld:%02ld:%02ld %s", gap,
                    h % 12 == 0 ? 12 : h % 12, mi, s, h < 12 ? "AM" : "PM");
    else
      std::snprintf(text + used, sizeof text - used,
                    locale.hourTwoDigits ? "%s%02ld:%02ld:%02ld" : "%s%ld:%02ld:%02ld", gap, h, mi,
                    s);
  }
  *out = Widen(text);
  return S_OK;
}

HRESULT ParseDateText(const Text& text, const LocaleSettings& locale, DATE* out) {
  // Numbers, month names, AM/PM and separators; blanks and commas only
  // part them.
  DateToken tokens[6];
  int count = 0, dateSeparators = 0, meridiems = 0;
  // A dot separates a date where the locale writes dates with it, else a
  // time.
  const OLECHAR dateDot = locale.dateSeparator == u'.' ? u'.' : 0;
  for (size_t i = 0; i < text.size();) {
    OLECHAR c = text[i];
    bool last = i + 1 == text.size();
    if (c >= u'0' && c <= u'9') {
      if (count == 6) return DISP_E_TYPEMISMATCH;
      long v = 0;
      for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        if (v < 100000000) v = v * 10 + (text[i] - u'0');
      tokens[count++].value = v;
      continue;
    }
    if (IsLetter(c)) {
      int month = 0;
      size_t length = 0;
      if (locale.englishNames) {
        for (int k = 0; k < 12 && month == 0; ++k) {
          if (StartsWithWord(text, i, kMonthNames[k]))
            month = k + 1, length = std::strlen(kMonthNames[k]);
          else if (StartsWithWord(text, i, std::string(kMonthNames[k], 3).c_str()))
            month = k + 1, length = 3;
        }
      }
      if (month != 0) {
        if (count == 6) return DISP_E_TYPEMISMATCH;
        tokens[count].value = month;
        tokens[count++].month = true;
        i += length;
        continue;
      }
      // AM/PM, or just their first letter, after a number.
      OLECHAR first = FoldCase(c);
      if ((first != u'a' && first != u'p') || count == 0 || meridiems++ != 0)
        return DISP_E_TYPEMISMATCH;
      tokens[count - 1].meridiem = first == u'a' ? 1 : 2;
      i += StartsWithWord(text, i, first == u'a' ? "am" : "pm") ? 2 : 1;
      continue;
    }
    if (c == u':' || (c == u'.' && c != dateDot)) {
      if (count == 0 || last) return DISP_E_TYPEMISMATCH;
      tokens[count - 1].timeSep = true;
    } else if (c == u'/' || c == u'-' || c == dateDot) {
      if (count == 0 || last || ++dateSeparators > 2) return DISP_E_TYPEMISMATCH;
    } else if (!IsBlank(c) && !(c == u',' && !last)) {
      return DISP_E_TYPEMISMATCH;
    }
    ++i;
  }

  // The time: a run of numbers joined by time separators, or one number
  // with AM/PM; AM/PM may stand anywhere in the run. It comes first or last
  // ("1 2.3 4" and "1 2 am 3" are no dates), and the other numbers, none,
  // two or three of them, are the date ("1 2 3 4" is none).
  int timeFirst = count, timeEnd = count;
  for (int k = 0; k < count;) {
    int end = k + 1;
    while (end < count && tokens[end - 1].timeSep) ++end;
    if (end - k > 1 || tokens[k].meridiem != 0) {
      if (timeFirst != count) return DISP_E_TYPEMISMATCH;  // a second time
      timeFirst = k;
      timeEnd = end;
    }
    k = end;
  }
  const int timeCount = timeEnd - timeFirst;
  const int dateCount = count - timeCount;
  if (timeCount > 3 || (timeFirst != 0 && timeEnd != count)) return DISP_E_TYPEMISMATCH;
  if (count == 0 || dateCount == 1 || dateCount > 3) return DISP_E_TYPEMISMATCH;
  long time[3] = {0, 0, 0};
  int meridiem = 0;
  for (int k = 0; k < timeCount; ++k) {
    const DateToken& t = tokens[timeFirst + k];
    if (t.month) return DISP_E_TYPEMISMATCH;
    time[k] = t.value;
    if (t.meridiem != 0) meridiem = t.meridiem;
  }
  const DateToken* date = timeFirst == 0 ? tokens + timeEnd : tokens;

  long long day = 0;
  if (dateCount != 0) {
    long y, m, d;
    if (!AssignDate(date, dateCount, locale, &y, &m, &d)) return DISP_E_TYPEMISMATCH;
    day = OleDayFromCivil(y, static_cast<int>(m), static_cast<int>(d));
  }
  long h = time[0];
  if (meridiem == 2 && h < 12) h += 12;
  if (meridiem == 1 && h == 12) h = 0;
  if (h > 23 || time[1] > 59 || time[2] > 59) return DISP_E_TYPEMISMATCH;
  double fraction = (h * 3600 + time[1] * 60 + time[2]) / 86400.0;
  *out = OleDateFromDayAndTime(day, fraction);
  return S_OK;
}

}  // namespace qorvid::platform

// The one date-time text of the database engines: "yyyy-mm-dd[ hh:mm[:ss[.f...]]]"
// read into parts, and one normalized text written back, which sorts and
// compares as the moments do.
//
// Header-only and free of C++ library includes: besides the ADO layer, the
// native CDate extension for SQLite's ODBC driver compiles it, with the host's
// compiler for the driver's architecture, where no C++ library is at hand.
#pragma once

#include <stddef.h>

#include "platform/ole_date.h"

namespace qorvid::ado {

using DateParts = platform::DateTimeParts;

inline bool ValidDateParts(const DateParts& p) {
  return p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
         p.day <= platform::DaysInMonth(p.year, p.month) && p.hour >= 0 && p.hour < 24 &&
         p.minute >= 0 && p.minute < 60 && p.second >= 0 && p.second < 60 && p.millisecond >= 0 &&
         p.millisecond < 1000;
}

namespace date_text {

// Reads exactly n digits at s[*i].
inline bool Digits(const char* s, size_t size, size_t* i, size_t n, int* out) {
  int v = 0;
  for (size_t k = 0; k < n; ++k) {
    if (*i >= size || s[*i] < '0' || s[*i] > '9') return false;
    v = v * 10 + (s[*i] - '0');
    ++*i;
  }
  *out = v;
  return true;
}

inline bool Expect(const char* s, size_t size, size_t* i, char c) {
  if (*i >= size || s[*i] != c) return false;
  ++*i;
  return true;
}

}  // namespace date_text

// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:mm", "yyyy-mm-dd hh:mm:ss" and
// "yyyy-mm-dd hh:mm:ss.f..." (a 'T' may stand for the blank; blanks around
// are ignored). False for anything else or a date that does not exist.
inline bool ParseDateText(const char* text, size_t size, DateParts* parts) {
  using date_text::Digits;
  using date_text::Expect;
  size_t b = 0, e = size;
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  const char* s = text + b;
  const size_t n = e - b;
  DateParts p;
  size_t i = 0;
  if (!Digits(s, n, &i, 4, &p.year) || !Expect(s, n, &i, '-') || !Digits(s, n, &i, 2, &p.month) ||
      !Expect(s, n, &i, '-') || !Digits(s, n, &i, 2, &p.day))
    return false;
  if (i < n) {
    if (s[i] != ' ' && s[i] != 'T') return false;
    ++i;
    if (!Digits(s, n, &i, 2, &p.hour) || !Expect(s, n, &i, ':') || !Digits(s, n, &i, 2, &p.minute))
      return false;
    if (i < n) {
      if (!Expect(s, n, &i, ':') || !Digits(s, n, &i, 2, &p.second)) return false;
      if (i < n) {
        if (!Expect(s, n, &i, '.') || i >= n) return false;
        // Milliseconds from the first three fraction digits, the rest dropped.
        int scale = 100;
        for (; i < n; ++i) {
          if (s[i] < '0' || s[i] > '9') return false;
          p.millisecond += (s[i] - '0') * scale;
          scale /= 10;
        }
      }
    }
  }
  if (!ValidDateParts(p)) return false;
  *parts = p;
  return true;
}

}  // namespace qorvid::ado

#include "ado/cell_values.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace qorvid::ado {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// Reads exactly n digits at s[*i].
bool Digits(const std::string& s, size_t* i, size_t n, int* out) {
  int v = 0;
  for (size_t k = 0; k < n; ++k) {
    if (*i >= s.size() || s[*i] < '0' || s[*i] > '9') return false;
    v = v * 10 + (s[*i] - '0');
    ++*i;
  }
  *out = v;
  return true;
}

bool Expect(const std::string& s, size_t* i, char c) {
  if (*i >= s.size() || s[*i] != c) return false;
  ++*i;
  return true;
}

// mantissa = mantissa * 10 + digit over three 32-bit words; false on overflow.
bool MulAdd(ULONG m[3], unsigned digit) {
  unsigned long long carry = digit;
  for (int k = 0; k < 3; ++k) {
    unsigned long long t = static_cast<unsigned long long>(m[k]) * 10 + carry;
    m[k] = static_cast<ULONG>(t);
    carry = t >> 32;
  }
  return carry == 0;
}

}  // namespace

bool ValidDateParts(const DateParts& p) {
  return p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
         p.day <= DaysInMonth(p.year, p.month) && p.hour >= 0 && p.hour < 24 && p.minute >= 0 &&
         p.minute < 60 && p.second >= 0 && p.second < 60 && p.millisecond >= 0 &&
         p.millisecond < 1000;
}

bool ParseDateText(const std::string& text, DateParts* parts) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  const std::string s = text.substr(b, e - b);
  DateParts p;
  size_t i = 0;
  if (!Digits(s, &i, 4, &p.year) || !Expect(s, &i, '-') || !Digits(s, &i, 2, &p.month) ||
      !Expect(s, &i, '-') || !Digits(s, &i, 2, &p.day))
    return false;
  if (i < s.size()) {
    if (s[i] != ' ' && s[i] != 'T') return false;
    ++i;
    if (!Digits(s, &i, 2, &p.hour) || !Expect(s, &i, ':') || !Digits(s, &i, 2, &p.minute))
      return false;
    if (i < s.size()) {
      if (!Expect(s, &i, ':') || !Digits(s, &i, 2, &p.second)) return false;
      if (i < s.size()) {
        if (!Expect(s, &i, '.') || i >= s.size()) return false;
        // Milliseconds from the first three fraction digits, the rest dropped.
        int scale = 100;
        for (; i < s.size(); ++i) {
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

std::string NormalizedDateText(const DateParts& p) {
  char buf[40];
  if (p.millisecond)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.millisecond);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  return buf;
}

DATE DateFromParts(const DateParts& p) {
  // 1899-12-30 is day 0, 25569 days before 1970-01-01.
  const double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) + 25569);
  const double time =
      ((p.hour * 60.0 + p.minute) * 60.0 + p.second + p.millisecond / 1000.0) / 86400.0;
  // Before day 0 the time still counts away from zero: 1899-12-29 06:00 is -1.25.
  return days < 0 ? days - time : days + time;
}

bool DecimalFromText(const std::string& text, DECIMAL* out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  ULONG m[3] = {0, 0, 0};
  int scale = 0, digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      ++digits;
      if (!MulAdd(m, static_cast<unsigned>(c - '0'))) return false;
      if (point) ++scale;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < n) {
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negExp = text[i++] == '-';
    int exp = 0;
    if (i >= n) return false;
    for (; i < n; ++i) {
      if (text[i] < '0' || text[i] > '9' || exp > 1000) return false;
      exp = exp * 10 + (text[i] - '0');
    }
    scale += negExp ? exp : -exp;
  }
  for (; scale < 0; ++scale)
    if (!MulAdd(m, 0)) return false;
  if (scale > 28) return false;
  DECIMAL d;
  std::memset(&d, 0, sizeof d);
  d.scale = static_cast<BYTE>(scale);
  d.sign = (negative && (m[0] | m[1] | m[2])) ? DECIMAL_NEG : 0;
  d.Lo32 = m[0];
  d.Mid32 = m[1];
  d.Hi32 = m[2];
  *out = d;
  return true;
}

Variant DecimalVariant(const DECIMAL& d) {
  Variant v;
  VARIANT& x = v.get();
  x.decVal = d;
  x.vt = VT_DECIMAL;
  return v;
}

Variant Int64Variant(LONGLONG value) {
  Variant v;
  v.get().vt = VT_I8;
  v.get().llVal = value;
  return v;
}

Variant Int16Variant(SHORT value) {
  Variant v;
  v.get().vt = VT_I2;
  v.get().iVal = value;
  return v;
}

Variant FloatVariant(float value) {
  Variant v;
  v.get().vt = VT_R4;
  v.get().fltVal = value;
  return v;
}

Variant CurrencyVariant(LONGLONG scaled) {
  Variant v;
  v.get().vt = VT_CY;
  v.get().cyVal.int64 = scaled;
  return v;
}

Variant ByteArrayVariant(const void* data, size_t size) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!array) throw std::bad_alloc();
  Variant v;
  v.get().vt = VT_ARRAY | VT_UI1;
  v.get().parray = array;  // owned by v from here on
  if (size) {
    void* bytes = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &bytes))) {
      std::memcpy(bytes, data, size);
      SafeArrayUnaccessData(array);
    }
  }
  return v;
}

}  // namespace qorvid::ado

// Numbers to text and text to numbers, in the conventions of a locale, the
// way oleaut32 writes and reads them.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/variant_change.h"

namespace qorvid::platform {
namespace {

Text Widen(const std::string& ascii) { return Text(ascii.begin(), ascii.end()); }

bool IsBlank(OLECHAR c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' ||
         c == u'\u00A0';
}

bool IsDigit(OLECHAR c) { return c >= u'0' && c <= u'9'; }

int DigitValue(OLECHAR c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c - u'0';
  if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
  if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
  return v < base ? v : -1;
}

// A Russian number may group with a plain blank as well as with the
// non-breaking space the locale names.
bool IsThousandSeparator(OLECHAR c, const LocaleSettings& locale) {
  if (c == locale.thousandSeparator) return true;
  return locale.thousandSeparator == u'\u00A0' && c == u' ';
}

// The length of the locale's currency sign at text[i], 0 when it is not
// there.
size_t CurrencyAt(const Text& text, size_t i, const LocaleSettings& locale) {
  size_t n = 0;
  while (n < 8 && locale.currency[n] != 0) ++n;
  if (n == 0 || text.compare(i, n, locale.currency, n) != 0) return 0;
  return n;
}

// The digits of the shortest text that reads back as magnitude (a finite
// double above zero) and the exponent of its scientific form d.ddd x 10^e.
bool ShortestDigits(double magnitude, std::string& digits, int& exponent) {
  char text[64];
  std::to_chars_result r =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
  if (r.ec != std::errc()) return false;
  const char* e = std::find(text, r.ptr, 'e');
  digits.clear();
  for (const char* p = text; p < e; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  const char* x = e + 1;
  if (x < r.ptr && *x == '+') ++x;
  return std::from_chars(x, r.ptr, exponent).ec == std::errc();
}

}  // namespace

Text RealText(double value, int significantDigits, const LocaleSettings& locale) {
  if (value == 0) return Text(1, u'0');  // negative zero too
  if (std::isnan(value)) return Widen("NAN");
  if (std::isinf(value)) return Widen(value < 0 ? "-INF" : "INF");
  std::string digits;
  int exponent = 0;
  // The shortest digits that read back as the double: when a normal double
  // has at most 15 of them, they are also its exact value rounded to 15
  // digits (the value lies far closer to that text than half a unit of its
  // 15th digit, so no tie can arise), and printing can be skipped.
  bool rounded = significantDigits == DBL_DIG && std::fabs(value) >= DBL_MIN &&
                 ShortestDigits(std::fabs(value), digits, exponent) &&
                 digits.size() <= static_cast<size_t>(significantDigits);
  // Otherwise enough digits of the exact binary value to tell a tie from a
  // near-tie, then rounded half away from zero at the significant digits
  // (654322.25 as a float gives 654322.3).
  char text[64];
  if (!rounded) {
    std::snprintf(text, sizeof text, "%.*e", significantDigits + 24, std::fabs(value));
    digits.clear();
    const char* e = std::strchr(text, 'e');
    for (const char* p = text; p < e; ++p)
      if (*p >= '0' && *p <= '9') digits += *p;
    exponent = std::atoi(e + 1);
  }
  bool up = !rounded && digits[static_cast<size_t>(significantDigits)] >= '5';
  if (!rounded) digits.resize(static_cast<size_t>(significantDigits));
  if (up) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(0, 1, '1');
      digits.pop_back();
      ++exponent;
    } else {
      ++digits[i - 1];
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  Text out;
  if (value < 0) out += u'-';
  // Plain from the precision down to about 1E-11, scientific beyond, with
  // the locale's separator in both ("1,2E+15").
  if (exponent >= significantDigits || exponent < -11) {
    out += static_cast<OLECHAR>(digits[0]);
    if (digits.size() > 1) {
      out += locale.decimalSeparator;
      out += Widen(digits.substr(1));
    }
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + Widen(tail);
  }
  if (exponent < 0) {
    out += u'0';
    out += locale.decimalSeparator;
    out += Text(static_cast<size_t>(-exponent - 1), u'0');
    return out + Widen(digits);
  }
  size_t integerDigits = static_cast<size_t>(exponent) + 1;
  if (digits.size() < integerDigits) digits.append(integerDigits - digits.size(), '0');
  out += Widen(digits.substr(0, integerDigits));
  if (digits.size() > integerDigits) {
    out += locale.decimalSeparator;
    out += Widen(digits.substr(integerDigits));
  }
  return out;
}

Text ExactText(const ExactNumber& value, const LocaleSettings& locale) {
  if (value.digits.empty()) return Text(1, u'0');
  std::string integer, fraction;
  if (value.exponent >= 0) {
    integer = value.digits + std::string(static_cast<size_t>(value.exponent), '0');
  } else {
    size_t places = static_cast<size_t>(-static_cast<long>(value.exponent));
    std::string digits = value.digits;
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    integer = digits.substr(0, digits.size() - places);
    fraction = digits.substr(digits.size() - places);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  }
  Text out;
  if (value.negative) out += u'-';
  out += Widen(integer);
  if (!fraction.empty()) {
    out += locale.decimalSeparator;
    out += Widen(fraction);
  }
  return out;
}

HRESULT ParseNumberText(const Text& text, const LocaleSettings& locale, ExactNumber* out) {
  const size_t n = text.size();
  size_t i = 0;
  auto skipBlanks = [&]() {
    while (i < n && IsBlank(text[i])) ++i;
  };

  // Leading part: blanks, at most one '+' and one '-', an opening
  // parenthesis, the locale's currency sign.
  bool negative = false, plus = false, paren = false, currency = false;
  for (;;) {
    skipBlanks();
    if (i >= n) return DISP_E_TYPEMISMATCH;
    OLECHAR c = text[i];
    if (c == u'-' && !negative) {
      negative = true;
    } else if (c == u'+' && !plus) {
      plus = true;
    } else if (c == u'(' && !paren) {
      paren = true;
    } else if (!currency && CurrencyAt(text, i, locale) != 0) {
      currency = true;
      i += CurrencyAt(text, i, locale) - 1;
    } else {
      break;
    }
    ++i;
  }

  ExactNumber value;
  // &H and &O: an integer in base 16 or 8.
  if (text[i] == u'&' && i + 1 < n) {
    OLECHAR kind = text[i + 1];
    int base = (kind == u'H' || kind == u'h') ? 16 : (kind == u'O' || kind == u'o') ? 8 : 0;
    if (base == 0) return DISP_E_TYPEMISMATCH;
    i += 2;
    uint64_t magnitude = 0;
    size_t start = i;
    for (int d; i < n && (d = DigitValue(text[i], base)) >= 0; ++i) {
      if (magnitude > (UINT64_MAX >> (base == 16 ? 4 : 3))) return DISP_E_OVERFLOW;
      magnitude = magnitude * base + static_cast<uint64_t>(d);
    }
    if (i == start) return DISP_E_TYPEMISMATCH;
    value = ExactFromInteger(magnitude, negative);
    value.bitPattern = true;
  } else {
    std::string digits;
    int exponent = 0;
    bool anyDigit = false, decimal = false;
    for (; i < n; ++i) {
      OLECHAR c = text[i];
      if (IsDigit(c)) {
        anyDigit = true;
        if (!(digits.empty() && c == u'0')) digits += static_cast<char>(c);
        if (decimal) --exponent;
      } else if (c == locale.decimalSeparator && !decimal) {
        decimal = true;
      } else if (IsThousandSeparator(c, locale) && anyDigit && !decimal) {
        // grouping: ignored wherever it stands after the first digit
      } else {
        break;
      }
    }
    if (!anyDigit) return DISP_E_TYPEMISMATCH;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
      ++i;
      bool negativeExponent = false;
      if (i < n && (text[i] == u'+' || text[i] == u'-')) negativeExponent = text[i++] == u'-';
      if (i >= n || !IsDigit(text[i])) return DISP_E_TYPEMISMATCH;
      long e = 0;
      for (; i < n && IsDigit(text[i]); ++i)
        if (e < 100000) e = e * 10 + (text[i] - u'0');
      exponent += static_cast<int>(negativeExponent ? -e : e);
    }
    while (!digits.empty() && digits.back() == '0') {  // 100.00 is 100
      digits.pop_back();
      ++exponent;
    }
    value.negative = negative;
    value.digits = digits;
    value.exponent = digits.empty() ? 0 : exponent;
  }

  // Trailing part: blanks, a sign when none led, the currency sign when
  // none led, the closing parenthesis.
  for (;;) {
    skipBlanks();
    if (i >= n) break;
    OLECHAR c = text[i];
    if (!currency && CurrencyAt(text, i, locale) != 0) {
      currency = true;
      i += CurrencyAt(text, i, locale);
      continue;
    }
    if ((c == u'-' || c == u'+') && !negative && !plus && !paren) {
      value.negative = c == u'-';
      (c == u'-' ? negative : plus) = true;
    } else if (c == u')' && paren) {
      paren = false;
      value.negative = true;
    } else {
      return DISP_E_TYPEMISMATCH;
    }
    ++i;
  }
  if (paren) return DISP_E_TYPEMISMATCH;
  value.fromText = true;
  *out = value;
  return S_OK;
}

}  // namespace qorvid::platform

#include "encoding/float_text.h"

#include <charconv>
#include <cmath>

#include "platform/win32.h"

namespace {

const int kSignificantDigits = 15;
// Enough digits for the exact decimal expansion of any double (at most 767
// significant digits), so the rounding below decides on exact digits and is
// never a second rounding of a rounded text.
const int kExactPrecision = 780;

char ReadLocaleDecimalSeparator() {
  char buffer[8] = {};
  int written = GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buffer, sizeof buffer);
  if (written <= 0 || buffer[0] == '\0') return '.';
  return buffer[0];
}

// Read while the library is loaded, as the regional settings then are.
char g_decimalSeparator = ReadLocaleDecimalSeparator();

// The digits of magnitude rounded to 15 significant digits, trailing zeros
// dropped, and the decimal exponent e of 0.d1d2... x 10^e. magnitude is
// finite and above zero.
void RoundedDigits(double magnitude, std::string& digits, int& exponent) {
  char buffer[kExactPrecision + 16];
  std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                         std::chars_format::scientific, kExactPrecision);
  // "d.ddd...e+XX": the first digit, the point, the fraction, the exponent.
  const char* end = r.ptr;
  const char* e = buffer;
  while (e != end && *e != 'e') ++e;
  const char* x = e + 1;
  bool negativeExponent = x != end && *x == '-';
  if (x != end && (*x == '-' || *x == '+')) ++x;
  int scientific = 0;
  std::from_chars(x, end, scientific);
  exponent = (negativeExponent ? -scientific : scientific) + 1;

  digits.clear();
  digits.push_back(buffer[0]);
  const char* p = buffer + 2;
  while (p != e && static_cast<int>(digits.size()) < kSignificantDigits) digits.push_back(*p++);
  bool roundUp = p != e && *p >= '5';
  if (roundUp) {
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exponent;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace

char LoadTimeDecimalSeparator() { return g_decimalSeparator; }

void SetLoadTimeDecimalSeparatorForTests(char separator) { g_decimalSeparator = separator; }

std::string FloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  std::string digits;
  int exponent = 0;
  RoundedDigits(std::fabs(value), digits, exponent);

  const char separator = LoadTimeDecimalSeparator();
  std::string text;
  if (value < 0) text.push_back('-');
  const int count = static_cast<int>(digits.size());
  if (exponent >= -3 && exponent <= kSignificantDigits) {
    if (exponent <= 0) {
      text += '0';
      text += separator;
      text.append(static_cast<size_t>(-exponent), '0');
      text += digits;
    } else if (count <= exponent) {
      text += digits;
      text.append(static_cast<size_t>(exponent - count), '0');
    } else {
      text.append(digits, 0, static_cast<size_t>(exponent));
      text += separator;
      text.append(digits, static_cast<size_t>(exponent), std::string::npos);
    }
  } else {
    text += digits[0];
    if (count > 1) {
      text += separator;
      text.append(digits, 1, std::string::npos);
    }
    text += 'E';
    text += std::to_string(exponent - 1);
  }

  std::string::size_type comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  return text;
}

#include "encoding/float_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>

namespace qorvid {

namespace {

const int kSignificantDigits = 15;
// Enough digits for the exact decimal expansion of any double (at most 767
// significant digits), so the rounding below decides on exact digits and is
// never a second rounding of a rounded text.
const int kExactPrecision = 780;
// The largest double is 0.17976931348623157 x 10^309: 15-digit texts with
// that exponent read back finite up to these digits.
const int kLargestExponent = 309;
const char kLargestFiniteDigits[] = "179769313486231";

// The digits of a "d.ddd...e+XX" text, and the decimal exponent e of
// 0.d1d2... x 10^e; end is one past its last character.
void SplitScientific(const char* text, const char* end, std::string& digits, int& exponent) {
  const char* e = text;
  while (e != end && *e != 'e') ++e;
  const char* x = e == end ? end : e + 1;
  bool negativeExponent = x != end && *x == '-';
  if (x != end && (*x == '-' || *x == '+')) ++x;
  int scientific = 0;
  std::from_chars(x, end, scientific);
  exponent = (negativeExponent ? -scientific : scientific) + 1;
  digits.assign(1, text[0]);
  if (text + 1 != e) digits.append(text + 2, e);
}

// The digits of magnitude rounded to 15 significant digits, trailing zeros
// dropped, and the decimal exponent e of 0.d1d2... x 10^e. magnitude is
// finite and above zero.
void RoundedDigits(double magnitude, std::string& digits, int& exponent) {
  char buffer[kExactPrecision + 16];
  // The shortest text that reads back as the value: when it has at most 15
  // digits, they are also the value's exact expansion rounded to 15 digits
  // (a double lies closer to its shortest text than half a unit of the 15th
  // digit, so no rounding tie can arise), and the long way is not needed.
  // Subnormal values are too coarse for that and always take the long way.
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  SplitScientific(buffer, r.ptr, digits, exponent);
  if (magnitude >= DBL_MIN && digits.size() <= static_cast<size_t>(kSignificantDigits) &&
      !(exponent == kLargestExponent && digits > kLargestFiniteDigits)) {
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return;
  }

  r = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific,
                    kExactPrecision);
  std::string exact;
  SplitScientific(buffer, r.ptr, exact, exponent);
  digits.assign(exact, 0, kSignificantDigits);
  bool roundUp = exact.size() > digits.size() && exact[digits.size()] >= '5';
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

  // The few doubles next to the largest one round up past it, to a text
  // that reads back as infinity; they keep the digits that read back as
  // themselves instead (17 at most).
  if (exponent == kLargestExponent && digits > kLargestFiniteDigits) {
    r = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    SplitScientific(buffer, r.ptr, digits, exponent);
  }
}

// The number of the digits d1d2... and the exponent e of 0.d1d2... x 10^e,
// laid out as FloatText writes: fixed for e from -3 to 15, else "E".
std::string LaidOut(bool negative, const std::string& digits, int exponent) {
  // "." whatever the regional settings write: a separator such as ";" or a
  // blank would split the number in the statement.
  const char separator = '.';
  std::string text;
  if (negative) text.push_back('-');
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
  return text;
}

}  // namespace

std::string FloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  std::string digits;
  int exponent = 0;
  RoundedDigits(std::fabs(value), digits, exponent);
  return LaidOut(value < 0, digits, exponent);
}

std::string SingleText(float value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // The shortest digits that read back as this single (9 at most).
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                               std::chars_format::scientific);
  std::string digits;
  int exponent = 0;
  SplitScientific(buffer, r.ptr, digits, exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return LaidOut(value < 0, digits, exponent);
}

}  // namespace qorvid

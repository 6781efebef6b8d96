#include "encoding/integer_text.h"

#include <cstdint>

#include "errors/component_error.h"

namespace qorvid {

namespace {

[[noreturn]] void NotAnInteger(const std::string& text) {
  throw ComponentError("'" + text + "' is not a valid integer value");
}

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (base == 16 && c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  else if (base == 16 && c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  return v;
}

}  // namespace

LONG IntegerFromText(const std::string& text) {
  std::string::size_type i = 0;
  const std::string::size_type n = text.size();
  while (i < n && text[i] == ' ') ++i;

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  int base = 10;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }

  if (i == n) NotAnInteger(text);
  // The magnitude may reach 2^31 for the one negative value that needs it;
  // checking on every digit keeps the accumulator far from overflow.
  const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) NotAnInteger(text);
    magnitude = magnitude * base + digit;
    if (magnitude > limit) NotAnInteger(text);
  }
  return static_cast<LONG>(negative ? -magnitude : magnitude);
}

}  // namespace qorvid

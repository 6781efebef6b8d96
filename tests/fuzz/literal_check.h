// What a literal the component writes into SQL must look like: a number is
// digits with "." and an exponent, reading back as the value written; a
// string is one quoted run with every inner quote doubled.
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>

namespace qorvid {

// -?digits(.digits)?(E[+-]?digits)?
inline bool IsNumberText(const std::string& s) {
  size_t i = 0, n = s.size();
  auto digits = [&] {
    size_t from = i;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i;
    return i > from;
  };
  if (i < n && s[i] == '-') ++i;
  if (!digits()) return false;
  if (i < n && s[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < n && s[i] == 'E') {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == n;
}

// A number text at 15 significant digits reads back within rounding.
inline bool ReadsBackAs(const std::string& s, double value) {
  const double read = std::strtod(s.c_str(), nullptr);
  if (read == value) return true;
  if (!std::isfinite(read) || !std::isfinite(value)) return false;
  return std::fabs(read - value) <= 1e-14 * std::fabs(value);
}

inline int SignificantDigits(const std::string& s) {
  int count = 0;
  bool leading = true;
  for (char c : s) {
    if (c == 'E') break;
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++count;
  }
  return count;
}

// A quoted string literal starting at s[at]; gives its text with doubled
// quotes undone and the position after it. False when unterminated.
inline bool QuotedLiteral(const std::string& s, size_t at, std::string& text, size_t& end) {
  if (at >= s.size() || s[at] != '\'') return false;
  text.clear();
  for (size_t i = at + 1; i < s.size(); ++i) {
    if (s[i] != '\'') {
      text += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == '\'') {
      text += '\'';
      ++i;
    } else {
      end = i + 1;
      return true;
    }
  }
  return false;
}

// The whole of s is one string literal.
inline bool IsStringLiteral(const std::string& s, std::string& text) {
  size_t end = 0;
  return QuotedLiteral(s, 0, text, end) && end == s.size();
}

}  // namespace qorvid

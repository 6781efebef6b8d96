#include "encoding/quotes.h"

namespace {
std::string DoubleEach(const std::string& text, char quote) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out;
}
}  // namespace

std::string EscapeSingleQuotes(const std::string& text) { return DoubleEach(text, '\''); }

std::string EscapeDoubleQuotes(const std::string& text) { return DoubleEach(text, '"'); }

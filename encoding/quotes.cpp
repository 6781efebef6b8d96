#include "encoding/quotes.h"

#include <algorithm>

namespace qorvid {

namespace {
// Appends text to out with each quote written twice, reserving the final
// size first: literals may be megabytes long.
void AppendDoubled(std::string& out, const std::string& text, char quote, size_t extra) {
  out.reserve(out.size() + text.size() +
              static_cast<size_t>(std::count(text.begin(), text.end(), quote)) + extra);
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
}

std::string DoubleEach(const std::string& text, char quote) {
  std::string out;
  AppendDoubled(out, text, quote, 0);
  return out;
}
}  // namespace

std::string EscapeSingleQuotes(const std::string& text) { return DoubleEach(text, '\''); }

std::string EscapeDoubleQuotes(const std::string& text) { return DoubleEach(text, '"'); }

std::string QuotedSqlString(const std::string& text) {
  std::string out(1, '\'');
  AppendDoubled(out, text, '\'', 1);
  out += '\'';
  return out;
}

}  // namespace qorvid

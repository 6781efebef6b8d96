// Integer text against the C library: decimal texts as strtoll reads them,
// hexadecimal ones (after "$", "x" or "0x") as strtoull does, 32-bit signed
// range for both; every other text fails with the message quoting it.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/integer_text.h"
#include "errors/component_error.h"
#include "tests/fuzz/finding.h"

using namespace qorvid;

namespace {

bool AllOf(const std::string& s, size_t from, bool hex) {
  if (from >= s.size()) return false;
  for (size_t i = from; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    bool digit = c >= '0' && c <= '9';
    bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(hex && hexLetter)) return false;
  }
  return true;
}

// The value the text must give, or false when it must fail.
bool Expected(const std::string& text, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (!AllOf(text, i, hex)) return false;
  errno = 0;
  const unsigned long long magnitude = std::strtoull(text.c_str() + i, nullptr, hex ? 16 : 10);
  if (errno == ERANGE) return false;
  if (magnitude > (negative ? 2147483648ULL : 2147483647ULL)) return false;
  value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // strtoull stops at a NUL: a text holding one is never a number.
  int64_t expected = 0;
  const bool valid = text.find('\0') == std::string::npos && Expected(text, expected);
  try {
    const LONG value = IntegerFromText(text);
    if (!valid) Finding("text read as a number", Printable(text) + " -> " + std::to_string(value));
    if (value != expected)
      Finding("wrong value", Printable(text) + " -> " + std::to_string(value) + ", expected " +
                                 std::to_string(expected));
  } catch (const ComponentError& e) {
    if (valid) Finding("number text refused", Printable(text) + ": " + e.message());
    if (e.message() != "'" + text + "' is not a valid integer value")
      Finding("message does not quote the text", Printable(e.message()));
  }
  return 0;
}

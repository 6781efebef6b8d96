// Compile-time conversion of UTF-8 source literals to cp1251, the code page in
// which the component keeps its own Russian messages and member names. The
// source stays readable; the binary holds the 8-bit bytes.
//
// Two spellings, two roles:
//   constexpr auto kName = Cp1251("Открыть");   a constant with static bytes,
//                                               for tables (kName.bytes);
//   CP1251("Ошибка ") + text                    a std::string in an expression,
//                                               for messages and tests.
// Both run the same conversion at compile time.
#pragma once

#include <cstddef>
#include <string>

namespace qorvid {

template <std::size_t N>
struct Cp1251Text {
  char bytes[N] = {};
  std::size_t size = 0;

  std::string str() const { return std::string(bytes, size); }
  operator std::string() const { return str(); }
  const char* c_str() const { return bytes; }
};

namespace cp1251_detail {
// The code point of one UTF-8 sequence starting at s[i]; advances i.
template <std::size_t N>
constexpr unsigned long decodeUtf8(const char (&s)[N], std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    i += 1;
    return c;
  }
  if ((c & 0xE0) == 0xC0 && i + 1 < N) {
    unsigned long cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
    i += 2;
    return cp;
  }
  if ((c & 0xF0) == 0xE0 && i + 2 < N) {
    unsigned long cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
                       (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
    i += 3;
    return cp;
  }
  i += 1;
  return '?';
}

constexpr char toCp1251(unsigned long cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
  if (cp == 0x0401) return static_cast<char>(0xA8);  // Ё
  if (cp == 0x0451) return static_cast<char>(0xB8);  // ё
  if (cp == 0x2116) return static_cast<char>(0xB9);  // №
  if (cp == 0x00AB) return static_cast<char>(0xAB);  // «
  if (cp == 0x00BB) return static_cast<char>(0xBB);  // »
  if (cp == 0x2014) return static_cast<char>(0x97);  // —
  return '?';
}
}  // namespace cp1251_detail

// The constant: evaluated by the compiler when bound to a constexpr.
template <std::size_t N>
constexpr Cp1251Text<N> Cp1251(const char (&utf8)[N]) {
  Cp1251Text<N> out{};
  std::size_t i = 0;
  while (i < N && utf8[i] != '\0') {
    unsigned long cp = cp1251_detail::decodeUtf8(utf8, i);
    out.bytes[out.size++] = cp1251_detail::toCp1251(cp);
  }
  out.bytes[out.size] = '\0';
  return out;
}

// The expression: a cp1251 literal as a std::string, converted at compile time.
#define CP1251(literal)                                      \
  ([]() -> std::string {                                     \
    static constexpr auto text_ = ::qorvid::Cp1251(literal); \
    return text_.str();                                      \
  }())

}  // namespace qorvid

// The component's own text form: UTF-8, widened to and from UTF-16 without
// the ANSI code page, so that no character a host or a database gives is
// lost. A lone surrogate (UTF-16 allows one; a host may pass it) travels as
// its own three-byte sequence, as WTF-8 does, and comes back as the same
// unit: texts go through the component unit for unit. Bytes that are not
// UTF-8 (none the component makes) widen to U+FFFD each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qorvid::platform {

// How many UTF-8 bytes a UTF-16 text needs.
inline size_t Utf8Length(const OLECHAR* s, size_t len) {
  size_t bytes = 0;
  for (size_t i = 0; i < len; ++i) {
    const unsigned c = s[i];
    if (c < 0x80)
      bytes += 1;
    else if (c < 0x800)
      bytes += 2;
    else if (c >= 0xD800 && c < 0xDC00 && i + 1 < len && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      bytes += 4, ++i;
    else
      bytes += 3;
  }
  return bytes;
}

// UTF-16 to UTF-8, written into `out`, whose storage is reused.
inline void Utf8FromWideInto(std::string& out, const OLECHAR* s, size_t len) {
  out.resize(Utf8Length(s, len));
  char* p = out.empty() ? nullptr : &out[0];
  for (size_t i = 0; i < len; ++i) {
    unsigned long c = s[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < len && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
}

inline std::string Utf8FromWide(const OLECHAR* s, size_t len) {
  std::string out;
  Utf8FromWideInto(out, s, len);
  return out;
}

inline std::string Utf8FromWide(std::basic_string_view<OLECHAR> s) {
  return Utf8FromWide(s.data(), s.size());
}

// Reads one character at s[i], advancing i: its code point, or U+FFFD for a
// byte that starts no well-formed sequence (that byte alone is consumed).
// Surrogates are taken, to carry lone ones; overlong forms are not.
inline unsigned long NextUtf8Character(std::string_view s, size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(s[i++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead < 0xF5   ? 3
              : lead >= 0xE0                ? 2
              : lead >= 0xC2 && lead < 0xE0 ? 1
                                            : 0;
  if (extra == 0 || lead >= 0xF5 || i + extra > s.size()) return 0xFFFD;
  unsigned long c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    const unsigned char next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (next & 0x3F);
  }
  static constexpr unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[extra] || c > 0x10FFFF) return 0xFFFD;
  i += extra;
  return c;
}

// How many UTF-16 units a UTF-8 text widens to.
inline size_t WideLength(std::string_view s) {
  size_t units = 0;
  for (size_t i = 0; i < s.size();) units += NextUtf8Character(s, i) >= 0x10000 ? 2 : 1;
  return units;
}

// UTF-8 to UTF-16 into a buffer of WideLength(s) units.
inline void WidenUtf8(std::string_view s, OLECHAR* out) {
  for (size_t i = 0; i < s.size();) {
    const unsigned long c = NextUtf8Character(s, i);
    if (c < 0x10000) {
      *out++ = static_cast<OLECHAR>(c);
    } else {
      *out++ = static_cast<OLECHAR>(0xD800 + ((c - 0x10000) >> 10));
      *out++ = static_cast<OLECHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
}

inline std::basic_string<OLECHAR> WideFromUtf8(std::string_view s) {
  std::basic_string<OLECHAR> out(WideLength(s), OLECHAR(0));
  WidenUtf8(s, out.data());
  return out;
}

}  // namespace qorvid::platform

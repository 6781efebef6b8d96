// The one case fold of qorvid: names of members, fields, connection-string
// keys and list entries compare without regard to case over the letters the
// cp1251 code page carries - ASCII and Cyrillic (А-Я, Ё and the other
// Cyrillic capitals of cp1251, among them Ґ). Other characters, Latin-1
// accented letters included, compare as they are.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/win32.h"

namespace qorvid::platform {

// The lower-case form of one UTF-16 unit.
constexpr OLECHAR FoldCase(OLECHAR c) {
  if (c >= u'A' && c <= u'Z') return static_cast<OLECHAR>(c + 0x20);
  if (c >= 0x0410 && c <= 0x042F) return static_cast<OLECHAR>(c + 0x20);  // А-Я
  if (c >= 0x0400 && c <= 0x040F) return static_cast<OLECHAR>(c + 0x50);  // Ѐ-Џ, Ё among them
  if (c == 0x0490) return 0x0491;                                         // Ґ
  return c;
}

// Whether two UTF-16 texts are equal but for case (embedded NULs count).
constexpr bool EqualsIgnoringCase(std::basic_string_view<OLECHAR> a,
                                  std::basic_string_view<OLECHAR> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

// The same for two NUL-terminated texts; a null pointer equals only another.
constexpr bool EqualsIgnoringCase(const OLECHAR* a, const OLECHAR* b) {
  if (!a || !b) return a == b;
  for (; *a && *b; ++a, ++b)
    if (FoldCase(*a) != FoldCase(*b)) return false;
  return *a == *b;
}

}  // namespace qorvid::platform

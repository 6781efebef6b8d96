#include "host/console/utf.h"

namespace qorvid::host {

bool WideFromUtf8(const std::string& utf8, WideString& out) {
  out.clear();
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned long cp;
    size_t extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      extra = 3;
    } else {
      return false;
    }
    if (extra > 0 && i + extra >= n) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(utf8[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<OLECHAR>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<OLECHAR>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<OLECHAR>(cp));
    }
    i += extra + 1;
  }
  return true;
}

static void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Utf8FromWide(const OLECHAR* s, size_t len) {
  std::string out;
  out.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    unsigned long u = static_cast<unsigned short>(s[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < len) {
      unsigned long lo = static_cast<unsigned short>(s[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    AppendUtf8(out, u);
  }
  return out;
}

std::string Utf8FromBstr(BSTR b) { return b ? Utf8FromWide(b, SysStringLen(b)) : std::string(); }

namespace {

struct Range {
  unsigned long first, last;
};

// Zero-width: combining marks, joiners and variation selectors.
const Range kZeroWidth[] = {
    {0x0300, 0x036F},   {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0670, 0x0670},   {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},
    {0x0E47, 0x0E4E},   {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x202A, 0x202E},
    {0x2060, 0x2064},   {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
    {0xE0100, 0xE01EF},
};

// Two columns: East Asian wide and full-width characters, and emoji.
const Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2614, 0x2615},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

template <size_t N>
bool InRanges(unsigned long cp, const Range (&ranges)[N]) {
  for (const Range& r : ranges)
    if (cp >= r.first && cp <= r.last) return true;
  return false;
}

}  // namespace

size_t Utf8Width(const std::string& utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    unsigned long cp = extra == 0   ? c
                       : extra == 1 ? (c & 0x1F)
                       : extra == 2 ? (c & 0x0F)
                                    : (c & 0x07);
    size_t k = 1;
    for (; k <= extra && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += k;
    if (InRanges(cp, kZeroWidth)) continue;
    width += InRanges(cp, kWide) ? 2 : 1;
  }
  return width;
}

OLECHAR FoldLetter(OLECHAR c) {
  if (c >= 'A' && c <= 'Z') return static_cast<OLECHAR>(c - 'A' + 'a');
  if (c >= 0x0410 && c <= 0x042F) return static_cast<OLECHAR>(c + 0x20);  // А..Я
  if (c >= 0x0400 && c <= 0x040F) return static_cast<OLECHAR>(c + 0x50);  // Ё and the others
  return c;
}

}  // namespace qorvid::host

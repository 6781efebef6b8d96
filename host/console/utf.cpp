#include "host/console/utf.h"

namespace qorvid::host {

// The platform's code page conversions do the UTF-8, as they do the ANSI
// code page: Windows' own on Windows, the iconv-backed ones elsewhere.
bool WideFromUtf8(const std::string& utf8, WideString& out) {
  out.clear();
  if (utf8.empty()) return true;
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (n <= 0) return false;
  out.assign(static_cast<size_t>(n), OLECHAR(0));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, &out[0], n) == n;
}

std::string Utf8FromWide(const OLECHAR* s, size_t len) {
  if (len == 0) return std::string();
  const int units = static_cast<int>(len);
  const int n = WideCharToMultiByte(CP_UTF8, 0, s, units, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s, units, &out[0], n, nullptr, nullptr);
  return out;
}

std::string Utf8FromBstr(BSTR b) { return b ? Utf8FromWide(b, SysStringLen(b)) : std::string(); }

namespace {

struct Range {
  unsigned long first, last;
};

// Zero-width: combining marks, joiners and variation selectors.
const Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489},   {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0670, 0x0670}, {0x06D6, 0x06DC},   {0x06DF, 0x06E4}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},
    {0x0E47, 0x0E4E}, {0x1160, 0x11FF},   {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064},   {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Two columns: East Asian wide and full-width characters, and emoji.
const Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2614, 0x2615},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F200, 0x1F2FF}, {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF},
    {0x1F900, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
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

}  // namespace qorvid::host

// The ANSI code page and the conversions between it (or UTF-8) and UTF-16.
// Where a character has no byte form it becomes '?' (or the caller's default
// character), as Windows does; undecodable bytes become U+FFFD, or fail the
// call under MB_ERR_INVALID_CHARS. Unless the caller asks for
// WC_NO_BEST_FIT_CHARS, a single-byte code page takes Windows' best-fit
// look-alike first (e for é, A for full-width Ａ, + for ┼). iconv knows the
// code pages; a single-byte one is read from it once into tables, since
// every field text of a result passes through here; UTF-8 is decoded and
// encoded here too, and iconv converts the rest (multi-byte pages) itself.
#include <errno.h>
#include <iconv.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

UINT InitialCodePage() {
  const char* env = std::getenv("QORVID_ANSI_CODEPAGE");
  if (env && *env) {
    char* end = nullptr;
    unsigned long cp = std::strtoul(env, &end, 10);
    if (end && *end == '\0' && cp > 0 && cp < 65536 && cp != CP_OEMCP) return cp;
  }
  return 1251;
}

std::atomic<UINT>& AnsiCodePage() {
  static std::atomic<UINT> cp(InitialCodePage());
  return cp;
}

UINT Resolve(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_OEMCP ? GetACP() : codePage;
}

std::string IconvName(UINT cp) {
  if (cp == CP_UTF8) return "UTF-8";
  return "CP" + std::to_string(cp);
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One converter per thread and direction, reopened when the code page
// changes; iconv descriptors are not safe to share between threads.
class Converter {
 public:
  explicit Converter(bool toWide) : toWide_(toWide) {}
  ~Converter() {
    if (cd_ != kNoConverter) iconv_close(cd_);
  }
  iconv_t get(UINT cp) {
    if (cd_ == kNoConverter || cp != cp_) {
      if (cd_ != kNoConverter) iconv_close(cd_);
      const std::string name = IconvName(cp);
      cd_ = toWide_ ? iconv_open("UTF-16LE", name.c_str()) : iconv_open(name.c_str(), "UTF-16LE");
      cp_ = cp;
    } else {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    }
    return cd_;
  }

 private:
  bool toWide_;
  iconv_t cd_ = kNoConverter;
  UINT cp_ = 0;
};

thread_local Converter t_toWide(true), t_fromWide(false);

// Converts as much as iconv can, calling `bad` for each undecodable unit it
// must skip; returns false when the code page has no converter.
template <typename Bad>
bool Run(iconv_t cd, const char* in, size_t inLen, std::string* out, size_t unit, Bad bad) {
  char buf[1024];
  char* inPtr = const_cast<char*>(in);
  size_t inLeft = inLen;
  while (inLeft > 0) {
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out->append(buf, outPtr - buf);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut short at the end of the input.
    size_t skip = bad(inPtr, inLeft);
    if (skip == 0 || skip > inLeft) skip = inLeft < unit ? inLeft : unit;
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* outPtr = buf;
  size_t outLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out->append(buf, outPtr - buf);
  return true;
}

void AppendUnit(std::string* s, char16_t c) { s->append(reinterpret_cast<const char*>(&c), 2); }

bool IsMultiByte(UINT cp) {
  switch (cp) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case 20932:
    case 51932:
    case 51949:
    case 54936:
    case 65000:
    case CP_UTF8:
      return true;
    default:
      return false;
  }
}

// The bytes 0x80-0xFF that a single-byte code page leaves undefined (0x98 in
// 1251, say). Windows maps each such byte to the control character of the
// same number and back, so these bytes survive a round trip; iconv refuses
// them, so they are found once per code page and handled here.
class UndefinedBytes {
 public:
  bool has(UINT cp, unsigned char b) {
    if (cp != cp_) fill(cp);
    return b >= 0x80 && undefined_[b - 0x80];
  }

 private:
  void fill(UINT cp) {
    cp_ = cp;
    for (bool& u : undefined_) u = false;
    if (IsMultiByte(cp)) return;
    iconv_t cd = iconv_open("UTF-16LE", IconvName(cp).c_str());
    if (cd == kNoConverter) return;
    for (int b = 0x80; b < 0x100; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* inPtr = &in;
      char* outPtr = out;
      size_t inLeft = 1, outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      undefined_[b - 0x80] =
          iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1);
    }
    iconv_close(cd);
  }

  UINT cp_ = 0;
  bool undefined_[128] = {};
};

thread_local UndefinedBytes t_undefined;

// Best fit: the ASCII look-alike of a character a single-byte code page
// lacks, 0 where there is none. Latin letters lose their accents (the base
// letter of their Unicode decomposition), full-width ASCII becomes ASCII, and
// box drawing becomes lines and corners.
char BestFit(char16_t c) {
  // U+00C0 to U+017F; '?' marks letters without a single base letter.
  static const char kLatin[] =
      "AAAAAA?CEEEEIIII"
      "DNOOOOO?OUUUUY??"
      "aaaaaa?ceeeeiiii"
      "?nooooo?ouuuuy?y"
      "AaAaAaCcCcCcCcDd"
      "DdEeEeEeEeEeGgGg"
      "GgGgHhHhIiIiIiIi"
      "Ii??JjKk?LlLlLlL"
      "lLlNnNnNn???OoOo"
      "Oo??RrRrRrSsSsSs"
      "SsTtTtTtUuUuUuUu"
      "UuUuWwYyYZzZzZz?";
  if (c >= 0x00C0 && c <= 0x017F) {
    char fit = kLatin[c - 0x00C0];
    return fit == '?' ? 0 : fit;
  }
  if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<char>(c - 0xFEE0);
  if (c >= 0x2500 && c <= 0x257F) {
    switch (c) {
      case 0x2500:
      case 0x2501:
      case 0x2504:
      case 0x2505:
      case 0x2508:
      case 0x2509:
      case 0x254C:
      case 0x254D:
      case 0x2550:
        return '-';
      case 0x2502:
      case 0x2503:
      case 0x2506:
      case 0x2507:
      case 0x250A:
      case 0x250B:
      case 0x254E:
      case 0x254F:
      case 0x2551:
        return '|';
      default:
        return c <= 0x2570 ? '+' : 0;
    }
  }
  return 0;
}

// A single-byte code page as two tables, read from iconv once per process:
// the character of each byte, and the byte of each UTF-16 unit. A byte
// without a character is handled as the iconv path handles it (see
// UndefinedBytes). A code page qualifies only when iconv takes each byte as
// one character of its own: not a multi-byte one, and not one that holds a
// letter back to compose it with an accent that follows (1255, 1258).
class SingleByteTable {
 public:
  static const SingleByteTable* For(UINT cp);

  UINT codePage() const { return codePage_; }
  char16_t wide(unsigned char b) const { return wide_[b]; }
  // True when some byte has no character and decodes to U+FFFD.
  bool anyInvalid() const { return anyInvalid_; }
  bool invalid(unsigned char b) const { return invalid_[b]; }
  // The byte of c, kNoByte when the code page has none.
  static constexpr uint16_t kNoByte = 0xFFFF;
  uint16_t byteOf(char16_t c) const { return rows_[c >> 8][c & 0xFF]; }
  // The bytes of U+0000..U+00FF, the row most text stays in.
  const uint16_t* firstRow() const { return rows_[0]; }
  // Whether U+0000..U+007F are the bytes 0x00..0x7F, as in every Windows
  // ANSI code page (not in EBCDIC ones).
  bool keepsAscii() const { return keepsAscii_; }

 private:
  typedef std::array<uint16_t, 256> Row;

  explicit SingleByteTable(UINT cp) : codePage_(cp) {}
  bool fill(iconv_t toWide, iconv_t fromWide);

  UINT codePage_;
  char16_t wide_[256] = {};
  bool invalid_[256] = {};
  bool anyInvalid_ = false;
  // Two levels by the high and the low byte of a unit; rows nothing maps
  // into share the first, empty one.
  std::vector<Row> rowStore_;
  const uint16_t* rows_[256] = {};
  bool keepsAscii_ = false;
};

// Whether the four UTF-16 units at `in` are all ASCII.
bool FourAscii(const char16_t* in) {
  uint64_t w;
  std::memcpy(&w, in, sizeof w);
  return (w & 0xFF80FF80FF80FF80ull) == 0;
}

// One conversion of a single unit by iconv: false when iconv refuses it.
// `held` tells whether the output appeared only at the final flush.
bool ConvertOne(iconv_t cd, const char* in, size_t inLen, std::string* out, bool* held) {
  char buf[16];
  char* inPtr = const_cast<char*>(in);
  char* outPtr = buf;
  size_t inLeft = inLen, outLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  size_t before = sizeof buf - outLeft;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out->assign(buf, sizeof buf - outLeft);
  *held = before == 0 && out->size() > 0;
  return true;
}

bool SingleByteTable::fill(iconv_t toWide, iconv_t fromWide) {
  std::vector<std::pair<char16_t, unsigned char>> mapped;
  std::vector<unsigned char> undefined;
  for (int b = 0; b < 256; ++b) {
    const char in = static_cast<char>(b);
    std::string out;
    bool held = false;
    if (!ConvertOne(toWide, &in, 1, &out, &held)) {
      if (errno != EILSEQ) return false;  // a lead byte: multi-byte after all
      if (b >= 0x80) {
        wide_[b] = static_cast<char16_t>(b);
        undefined.push_back(static_cast<unsigned char>(b));
      } else {
        wide_[b] = 0xFFFD;
        invalid_[b] = anyInvalid_ = true;
      }
      continue;
    }
    if (out.size() != 2 || held) return false;
    std::memcpy(&wide_[b], out.data(), 2);
    if (wide_[b] >= 0xD800 && wide_[b] < 0xE000) return false;
    mapped.emplace_back(wide_[b], static_cast<unsigned char>(b));
  }
  rowStore_.reserve(257);
  rowStore_.emplace_back();
  rowStore_.back().fill(kNoByte);
  int rowOf[256] = {};
  auto slot = [&](char16_t c) -> uint16_t& {
    int& row = rowOf[c >> 8];
    if (row == 0) {
      row = static_cast<int>(rowStore_.size());
      rowStore_.emplace_back();
      rowStore_.back().fill(kNoByte);
    }
    return rowStore_[row][c & 0xFF];
  };
  // The byte iconv writes for each character, which need not be the byte it
  // came from when two bytes read as one character.
  for (const auto& m : mapped) {
    std::string out;
    bool held = false;
    if (!ConvertOne(fromWide, reinterpret_cast<const char*>(&m.first), 2, &out, &held) ||
        out.size() != 1)
      return false;
    slot(m.first) = static_cast<unsigned char>(out[0]);
  }
  // A byte without a character stands for the control character of its
  // number, unless iconv writes that character as another byte.
  for (unsigned char b : undefined) {
    uint16_t& s = slot(b);
    if (s != kNoByte) continue;
    const char16_t c = b;
    std::string out;
    bool held = false;
    s = ConvertOne(fromWide, reinterpret_cast<const char*>(&c), 2, &out, &held) && out.size() == 1
            ? static_cast<unsigned char>(out[0])
            : b;
  }
  for (int hi = 0; hi < 256; ++hi) rows_[hi] = rowStore_[rowOf[hi]].data();
  keepsAscii_ = true;
  for (int c = 0; c < 0x80; ++c) keepsAscii_ = keepsAscii_ && rows_[0][c] == c && wide_[c] == c;
  return true;
}

// Built at first use and kept for the life of the process, so a table once
// handed out stays valid; the last one used is found without the lock.
const SingleByteTable* SingleByteTable::For(UINT cp) {
  static std::atomic<const SingleByteTable*> recent{nullptr};
  const SingleByteTable* t = recent.load(std::memory_order_acquire);
  if (t && t->codePage_ == cp) return t;
  if (IsMultiByte(cp)) return nullptr;
  static std::mutex lock;
  static auto* tables = new std::map<UINT, std::unique_ptr<SingleByteTable>>;
  std::lock_guard<std::mutex> hold(lock);
  auto found = tables->find(cp);
  if (found == tables->end()) {
    std::unique_ptr<SingleByteTable> built(new SingleByteTable(cp));
    const std::string name = IconvName(cp);
    iconv_t toWide = iconv_open("UTF-16LE", name.c_str());
    iconv_t fromWide = iconv_open(name.c_str(), "UTF-16LE");
    if (toWide == kNoConverter || fromWide == kNoConverter || !built->fill(toWide, fromWide))
      built.reset();
    if (toWide != kNoConverter) iconv_close(toWide);
    if (fromWide != kNoConverter) iconv_close(fromWide);
    found = tables->emplace(cp, std::move(built)).first;
  }
  t = found->second.get();
  if (t) recent.store(t, std::memory_order_release);
  return t;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// The byte iconv writes for a character the table lacks: some code pages
// take a few characters one way only (U+203E as the byte of another
// character, say). -1 when iconv has no single byte for it either.
int IconvByte(UINT cp, const char16_t* c, size_t units) {
  iconv_t cd = t_fromWide.get(cp);
  if (cd == kNoConverter) return -1;
  std::string out;
  bool held = false;
  if (!ConvertOne(cd, reinterpret_cast<const char*>(c), units * 2, &out, &held) || out.size() != 1)
    return -1;
  return static_cast<unsigned char>(out[0]);
}

// The bytes of `units` UTF-16 units, written to out when kWrite; returns
// their number. The same rules as the iconv path: a whole surrogate pair is
// one character, best fit unless refused, else the default.
template <bool kWrite>
size_t EncodeWithTable(const SingleByteTable& table, const char16_t* in, size_t units, char* out,
                       bool bestFit, char defaultChar, bool* usedDefault) {
  size_t n = 0;
  // Held apart from the table: the writes through `out` could alias it.
  const uint16_t* const firstRow = table.firstRow();
  const bool keepsAscii = table.keepsAscii();
  for (size_t i = 0; i < units; ++i) {
    // Runs of ASCII, most of any statement, four units at a time.
    if (keepsAscii && in[i] < 0x80) {
      for (; i + 4 <= units && FourAscii(in + i); i += 4, n += 4)
        if (kWrite)
          for (int k = 0; k < 4; ++k) out[n + k] = static_cast<char>(in[i + k]);
      if (i == units) break;
    }
    const char16_t c = in[i];
    int b = c < 0x100 ? firstRow[c] : table.byteOf(c);
    if (b == SingleByteTable::kNoByte) {
      const bool pair = IsHighSurrogate(c) && i + 1 < units && IsLowSurrogate(in[i + 1]);
      b = IconvByte(table.codePage(), in + i, pair ? 2 : 1);
      if (b < 0 && bestFit && !pair) {
        const char fit = BestFit(c);
        if (fit != 0) b = static_cast<unsigned char>(fit);
      }
      if (b < 0) {
        *usedDefault = true;
        b = static_cast<unsigned char>(defaultChar);
      }
      if (pair) ++i;
    }
    if (kWrite) out[n] = static_cast<char>(b);
    ++n;
  }
  return n;
}

// UTF-8, decoded and encoded here rather than by iconv: every non-ASCII
// field text of a result is read through it. The results are iconv's: a
// byte that starts no well-formed sequence (overlong, surrogate, beyond
// U+10FFFF, cut short, a stray continuation) gives U+FFFD and decoding
// goes on at the next byte; a lone surrogate encodes as U+FFFD.
bool Continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The units of `len` bytes, written to out when it is not null; *invalid
// tells whether some byte was replaced.
size_t DecodeUtf8(const unsigned char* in, size_t len, char16_t* out, bool* invalid) {
  size_t n = 0;
  for (size_t i = 0; i < len;) {
    const unsigned char b = in[i];
    // ASCII, most of any text, skips the sequence checks below.
    if (b < 0x80) {
      if (out) out[n] = b;
      ++n;
      ++i;
      continue;
    }
    uint32_t c = 0xFFFD;
    size_t take = 1;
    if (b >= 0xC2 && b <= 0xDF) {
      if (i + 1 < len && Continuation(in[i + 1])) {
        c = (uint32_t(b & 0x1F) << 6) | (in[i + 1] & 0x3F);
        take = 2;
      }
    } else if (b >= 0xE0 && b <= 0xEF) {
      const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
      if (i + 2 < len && in[i + 1] >= lo && in[i + 1] <= hi && Continuation(in[i + 2])) {
        c = (uint32_t(b & 0x0F) << 12) | (uint32_t(in[i + 1] & 0x3F) << 6) | (in[i + 2] & 0x3F);
        take = 3;
      }
    } else if (b >= 0xF0 && b <= 0xF4) {
      const unsigned char lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
      if (i + 3 < len && in[i + 1] >= lo && in[i + 1] <= hi && Continuation(in[i + 2]) &&
          Continuation(in[i + 3])) {
        c = (uint32_t(b & 0x07) << 18) | (uint32_t(in[i + 1] & 0x3F) << 12) |
            (uint32_t(in[i + 2] & 0x3F) << 6) | (in[i + 3] & 0x3F);
        take = 4;
      }
    }
    if (take == 1) *invalid = true;
    i += take;
    if (c >= 0x10000) {
      if (out) {
        out[n] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out[n + 1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
      n += 2;
    } else {
      if (out) out[n] = static_cast<char16_t>(c);
      ++n;
    }
  }
  return n;
}

// The bytes of `units` UTF-16 units, written to out when it is not null.
size_t EncodeUtf8(const char16_t* in, size_t units, unsigned char* out) {
  size_t n = 0;
  auto put = [&](unsigned char b) {
    if (out) out[n] = b;
    ++n;
  };
  for (size_t i = 0; i < units; ++i) {
    // Runs of ASCII, most of any text, four units at a time.
    if (in[i] < 0x80) {
      for (; i + 4 <= units && FourAscii(in + i); i += 4)
        for (int k = 0; k < 4; ++k) put(static_cast<unsigned char>(in[i + k]));
      if (i == units) break;
    }
    uint32_t c = in[i];
    if (IsHighSurrogate(in[i]) && i + 1 < units && IsLowSurrogate(in[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(in[i]) || IsLowSurrogate(in[i])) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      put(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
      put(static_cast<unsigned char>(0xC0 | (c >> 6)));
      put(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      put(static_cast<unsigned char>(0xE0 | (c >> 12)));
      put(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
      put(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
      put(static_cast<unsigned char>(0xF0 | (c >> 18)));
      put(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
      put(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
      put(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
  }
  return n;
}

}  // namespace

extern "C" {

UINT GetACP(void) { return AnsiCodePage().load(); }

void PlatformSetAnsiCodePage(UINT codePage) {
  AnsiCodePage().store(codePage == CP_ACP ? InitialCodePage() : codePage);
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t len = cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
  UINT cp = Resolve(CodePage);
  if (const SingleByteTable* table = SingleByteTable::For(cp)) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    if ((dwFlags & MB_ERR_INVALID_CHARS) && table->anyInvalid()) {
      for (size_t i = 0; i < len; ++i) {
        if (table->invalid(in[i])) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
      }
    }
    if (cchWideChar == 0) return static_cast<int>(len);
    if (len > size_t(cchWideChar)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    for (size_t i = 0; i < len; ++i) lpWideCharStr[i] = table->wide(in[i]);
    return static_cast<int>(len);
  }
  if (cp == CP_UTF8) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    bool invalid = false;
    const size_t units = DecodeUtf8(in, len, nullptr, &invalid);
    if (invalid && (dwFlags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    if (cchWideChar == 0) return static_cast<int>(units);
    if (units > size_t(cchWideChar)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    DecodeUtf8(in, len, lpWideCharStr, &invalid);
    return static_cast<int>(units);
  }
  iconv_t cd = t_toWide.get(cp);
  if (cd == kNoConverter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string wide;
  bool invalid = false;
  Run(cd, lpMultiByteStr, len, &wide, 1, [&](const char* at, size_t) -> size_t {
    unsigned char b = static_cast<unsigned char>(*at);
    if (t_undefined.has(cp, b)) {
      AppendUnit(&wide, b);
    } else {
      invalid = true;
      AppendUnit(&wide, 0xFFFD);
    }
    return 1;
  });
  if (invalid && (dwFlags & MB_ERR_INVALID_CHARS)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  size_t units = wide.size() / 2;
  if (cchWideChar == 0) return static_cast<int>(units);
  if (units > size_t(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpWideCharStr, wide.data(), units * 2);
  return static_cast<int>(units);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
  if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UINT cp = Resolve(CodePage);
  if (cp == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t units = 0;
  if (cchWideChar < 0) {
    while (lpWideCharStr[units]) ++units;
    ++units;
  } else {
    units = size_t(cchWideChar);
  }
  if (const SingleByteTable* table = SingleByteTable::For(cp)) {
    const bool bestFit = !(dwFlags & WC_NO_BEST_FIT_CHARS);
    const char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
    bool usedDefault = false;
    // Each unit gives at most one byte, so a buffer of `units` always holds
    // the result; a smaller one needs the count first, to stay untouched
    // when the result does not fit.
    const bool direct = cbMultiByte > 0 && size_t(cbMultiByte) >= units;
    size_t n = direct ? EncodeWithTable<true>(*table, lpWideCharStr, units, lpMultiByteStr, bestFit,
                                              defaultChar, &usedDefault)
                      : EncodeWithTable<false>(*table, lpWideCharStr, units, nullptr, bestFit,
                                               defaultChar, &usedDefault);
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0 || direct) return static_cast<int>(n);
    if (n > size_t(cbMultiByte)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    EncodeWithTable<true>(*table, lpWideCharStr, units, lpMultiByteStr, bestFit, defaultChar,
                          &usedDefault);
    return static_cast<int>(n);
  }
  if (cp == CP_UTF8) {
    unsigned char* out = reinterpret_cast<unsigned char*>(lpMultiByteStr);
    // A unit never takes more than three bytes (a pair, two units, takes
    // four), so a buffer of three per unit is written in one pass.
    if (cbMultiByte > 0 && size_t(cbMultiByte) / 3 >= units)
      return static_cast<int>(EncodeUtf8(lpWideCharStr, units, out));
    const size_t n = EncodeUtf8(lpWideCharStr, units, nullptr);
    if (cbMultiByte == 0) return static_cast<int>(n);
    if (n > size_t(cbMultiByte)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    EncodeUtf8(lpWideCharStr, units, out);
    return static_cast<int>(n);
  }
  iconv_t cd = t_fromWide.get(cp);
  if (cd == kNoConverter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string bytes;
  bool usedDefault = false;
  const char* in = reinterpret_cast<const char*>(lpWideCharStr);
  Run(cd, in, units * 2, &bytes, 2, [&](const char* at, size_t left) -> size_t {
    char16_t c;
    std::memcpy(&c, at, 2);
    // A whole surrogate pair stands for one character and one '?'.
    size_t skip = 2;
    if (c >= 0xD800 && c < 0xDC00 && left >= 4) {
      char16_t next;
      std::memcpy(&next, at + 2, 2);
      if (next >= 0xDC00 && next < 0xE000) skip = 4;
    }
    char fit = 0;
    if (skip == 2 && c < 0x100 && t_undefined.has(cp, static_cast<unsigned char>(c))) {
      bytes.push_back(static_cast<char>(c));
    } else if (cp == CP_UTF8) {
      bytes.append("\xEF\xBF\xBD");
    } else if (skip == 2 && !(dwFlags & WC_NO_BEST_FIT_CHARS) && !IsMultiByte(cp) &&
               (fit = BestFit(c)) != 0) {
      bytes.push_back(fit);
    } else {
      usedDefault = true;
      bytes.push_back(lpDefaultChar ? *lpDefaultChar : '?');
    }
    return skip;
  });
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > size_t(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

}  // extern "C"

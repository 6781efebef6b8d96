// The ANSI code page and the conversions between it (or UTF-8) and UTF-16,
// done by iconv. Where a character has no byte form it becomes '?' (or the
// caller's default character), as Windows does; undecodable bytes become
// U+FFFD, or fail the call under MB_ERR_INVALID_CHARS. Unless the caller
// asks for WC_NO_BEST_FIT_CHARS, a single-byte code page takes Windows'
// best-fit look-alike first (e for é, A for full-width Ａ, + for ┼).
#include <errno.h>
#include <iconv.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

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

// One converter per thread and direction, reopened when the code page
// changes; iconv descriptors are not safe to share between threads.
class Converter {
 public:
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  iconv_t get(const std::string& to, const std::string& from) {
    if (cd_ == reinterpret_cast<iconv_t>(-1) || to != to_ || from != from_) {
      if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
      cd_ = iconv_open(to.c_str(), from.c_str());
      to_ = to;
      from_ = from;
      if (cd_ == reinterpret_cast<iconv_t>(-1)) to_.clear();
    } else {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    }
    return cd_;
  }

 private:
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  std::string to_, from_;
};

thread_local Converter t_toWide, t_fromWide;

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
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
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
  iconv_t cd = t_toWide.get("UTF-16LE", IconvName(cp));
  if (cd == reinterpret_cast<iconv_t>(-1)) {
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
  iconv_t cd = t_fromWide.get(IconvName(cp), "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
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

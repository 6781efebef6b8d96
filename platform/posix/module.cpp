// Module handles and file names. A module handle is the address where the
// shared object (or the program) is mapped, as dladdr reports it.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

#include "platform/utf8_text.h"
#include "platform/win32.h"

namespace {

const DWORD kModNotFound = 126;  // ERROR_MOD_NOT_FOUND

void* ProgramBase() {
  Dl_info info;
  void* entry = reinterpret_cast<void*>(getauxval(AT_ENTRY));
  if (entry && dladdr(entry, &info) && info.dli_fbase) return info.dli_fbase;
  return nullptr;
}

std::string ProgramPath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, n) : std::string();
}

// Copies with Windows' truncation rule: a short buffer gets as much as fits
// plus a NUL, the result is the buffer size and the error is set.
DWORD CopyOut(const std::string& s, LPSTR out, DWORD size) {
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (s.size() >= size) {
    std::memcpy(out, s.data(), size - 1);
    out[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return static_cast<DWORD>(s.size());
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The short form of one path component that contains a blank: the first six
// characters of its name that are neither blanks nor dots, upper-cased, then
// "~1", then the first three non-blank characters of its extension (the part
// after the last dot), upper-cased. "Program Files" -> "PROGRA~1",
// "my data.backup" -> "MYDATA~1.BAC". The numeric tail is always 1: names are
// not checked against their neighbours, and the file need not exist.
std::string ShortComponent(const std::string& part) {
  size_t dot = part.rfind('.');
  if (dot == 0) dot = std::string::npos;
  std::string name = part.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : part.substr(dot + 1);
  std::string out;
  for (char c : name) {
    if (c == ' ' || c == '.') continue;
    if (out.size() == 6) break;
    out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  out += "~1";
  std::string shortExt;
  for (char c : ext) {
    if (c == ' ') continue;
    if (shortExt.size() == 3) break;
    shortExt.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  if (!shortExt.empty()) out += "." + shortExt;
  return out;
}

}  // namespace

extern "C" {

BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
  if (!phModule) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phModule = nullptr;
  void* base = nullptr;
  if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info;
    if (lpModuleName && dladdr(lpModuleName, &info)) base = info.dli_fbase;
  } else if (!lpModuleName) {
    base = ProgramBase();
  }
  if (!base) {
    SetLastError(kModNotFound);
    return FALSE;
  }
  *phModule = static_cast<HMODULE>(base);
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (!lpFilename && nSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path;
  if (!hModule || hModule == ProgramBase()) {
    path = ProgramPath();
  } else {
    Dl_info info;
    if (dladdr(hModule, &info) && info.dli_fbase == hModule && info.dli_fname) {
      char real[PATH_MAX];
      path = realpath(info.dli_fname, real) ? real : info.dli_fname;
    }
  }
  if (path.empty()) {
    SetLastError(kModNotFound);
    return 0;
  }
  return CopyOut(path, lpFilename, nSize);
}

DWORD GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
  if (!lpszLongPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string in = lpszLongPath, out, part;
  for (size_t i = 0; i <= in.size(); ++i) {
    if (i == in.size() || IsSeparator(in[i])) {
      out += part.find(' ') == std::string::npos ? part : ShortComponent(part);
      if (i < in.size()) out.push_back(in[i]);
      part.clear();
    } else {
      part.push_back(in[i]);
    }
  }
  // Too small a buffer is left alone and the size it needs is returned.
  if (!lpszShortPath || out.size() >= cchBuffer) return static_cast<DWORD>(out.size() + 1);
  std::memcpy(lpszShortPath, out.c_str(), out.size() + 1);
  return static_cast<DWORD>(out.size());
}

}  // extern "C"

namespace {
// A UTF-8 text handed out wide: as much as fits with its NUL; the units the
// whole needs (without the NUL), or 0 when it did not fit.
DWORD WideOut(const std::string& utf8, LPWSTR out, DWORD size) {
  const std::basic_string<WCHAR> wide = qorvid::platform::WideFromUtf8(utf8);
  if (!out || wide.size() >= size) return 0;
  std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(wide.size());
}
}  // namespace

extern "C" {

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (!lpFilename && nSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path(4 * PATH_MAX, '\0');
  const DWORD n = GetModuleFileNameA(hModule, &path[0], static_cast<DWORD>(path.size()));
  if (n == 0) return 0;
  path.resize(n);
  if (const DWORD units = WideOut(path, lpFilename, nSize)) return units;
  // Cut to the buffer, as Windows does, and said so.
  const std::basic_string<WCHAR> wide = qorvid::platform::WideFromUtf8(path);
  if (nSize > 0) {
    std::memcpy(lpFilename, wide.data(), (nSize - 1) * sizeof(WCHAR));
    lpFilename[nSize - 1] = 0;
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) {
  if (!lpszLongPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = 0;
  while (lpszLongPath[length]) ++length;
  const std::string in = qorvid::platform::Utf8FromWide(lpszLongPath, length);
  std::string out(in.size() + 1, '\0');
  const DWORD n = GetShortPathNameA(in.c_str(), &out[0], static_cast<DWORD>(out.size()));
  if (n == 0) return 0;
  out.resize(n);
  if (const DWORD units = WideOut(out, lpszShortPath, cchBuffer)) return units;
  return static_cast<DWORD>(qorvid::platform::WideLength(out) + 1);
}

}  // extern "C"

#include "server/module_path.h"

#include <vector>

#include "platform/bstr.h"
#include "platform/utf8_text.h"
#include "platform/win32.h"

namespace qorvid {

namespace {

// Any address inside this library finds its module handle.
void ModuleAnchor() {}

// Long enough for any path the system hands out.
const DWORD kLongestPath = 32768;

}  // namespace

// File names come through the wide calls, as UTF-8: a path may hold
// characters that the ANSI code page lacks.
std::string ServerFileName() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ModuleAnchor), &module))
    return std::string();
  // A result that fills the buffer may have been cut short: grow and retry.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<OLECHAR> buffer(size);
    DWORD length = GetModuleFileNameW(module, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return platform::Utf8FromWide(buffer.data(), length);
  }
  return std::string();
}

std::string ShortPathName(const std::string& path) {
  const WideString wide = platform::WideFromUtf8(path);
  DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::vector<OLECHAR> buffer(needed + 1);
  DWORD length = GetShortPathNameW(wide.c_str(), buffer.data(), needed + 1);
  if (length == 0 || length > needed) return path;
  return platform::Utf8FromWide(buffer.data(), length);
}

}  // namespace qorvid

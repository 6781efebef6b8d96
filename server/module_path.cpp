#include "server/module_path.h"

#include <vector>

#include "platform/win32.h"

namespace qorvid {

namespace {

// Any address inside this library finds its module handle.
void ModuleAnchor() {}

// Long enough for any path the system hands out.
const DWORD kLongestPath = 32768;

}  // namespace

std::string ServerFileName() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ModuleAnchor), &module))
    return std::string();
  // A result that fills the buffer may have been cut short: grow and retry.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<char> buffer(size);
    DWORD length = GetModuleFileNameA(module, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return std::string(buffer.data(), length);
  }
  return std::string();
}

std::string ShortPathName(const std::string& path) {
  DWORD needed = GetShortPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::vector<char> buffer(needed + 1);
  DWORD length = GetShortPathNameA(path.c_str(), buffer.data(), needed + 1);
  if (length == 0 || length > needed) return path;
  return std::string(buffer.data(), length);
}

}  // namespace qorvid

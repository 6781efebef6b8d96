// What a module's self-registration needs: the registry keys it writes,
// reads back and deletes, and its own file name. Keys, values and file names
// go through the wide calls as UTF-8: a path may hold characters that the
// ANSI code page lacks (a user's folder named in Kazakh). Header-only, as
// the Windows build has no platform library of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/utf8_text.h"
#include "platform/win32.h"

namespace qorvid::platform {

// Owns one open key, so that it is closed on every path.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  PHKEY put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Creates hive\path (and any missing parents) and sets its value name (the
// unnamed one for null) to text, stored with its terminating NUL. view is 0
// or a KEY_WOW64_ flag. False when either step fails.
inline bool WriteRegistryText(HKEY hive, const std::string& path, const char* name,
                              const std::string& text, REGSAM view = 0) {
  RegistryKey key;
  DWORD disposition = 0;
  const std::basic_string<OLECHAR> keyName = WideFromUtf8(path);
  if (RegCreateKeyExW(hive, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | view, nullptr, key.put(),
                      &disposition) != ERROR_SUCCESS)
    return false;
  const std::basic_string<OLECHAR> valueName =
      name ? WideFromUtf8(name) : std::basic_string<OLECHAR>();
  const std::basic_string<OLECHAR> value = WideFromUtf8(text);
  return RegSetValueExW(key.get(), name ? valueName.c_str() : nullptr, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(OLECHAR))) == ERROR_SUCCESS;
}

// The unnamed string value of hive\path; empty when the key or value is
// missing or is not a string.
inline std::string ReadRegistryText(HKEY hive, const std::string& path, REGSAM view = 0) {
  RegistryKey key;
  if (RegOpenKeyExW(hive, WideFromUtf8(path).c_str(), 0, KEY_READ | view, key.put()) !=
      ERROR_SUCCESS)
    return std::string();
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::string();
  std::vector<OLECHAR> text(size / sizeof(OLECHAR) + 1, 0);
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &size) != ERROR_SUCCESS)
    return std::string();
  size_t length = 0;
  while (length < text.size() && text[length]) ++length;
  return Utf8FromWide(text.data(), length);
}

// Deletes the one key hive\path; a missing key or one with subkeys stays,
// and the result is not reported.
inline void DeleteRegistryKey(HKEY hive, const std::string& path) {
  RegDeleteKeyW(hive, WideFromUtf8(path).c_str());
}

// The full path of the module holding address (any function of it); empty
// when the system cannot tell.
inline std::string ModuleFileName(const void* address) {
  // Long enough for any path the system hands out.
  const DWORD kLongestPath = 32768;
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module))
    return std::string();
  // A result that fills the buffer may have been cut short: grow and retry.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<OLECHAR> buffer(size);
    const DWORD length = GetModuleFileNameW(module, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return Utf8FromWide(buffer.data(), length);
  }
  return std::string();
}

// The system's short (8.3) form of path; path itself when there is none.
inline std::string ShortPathName(const std::string& path) {
  const std::basic_string<OLECHAR> wide = WideFromUtf8(path);
  const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::vector<OLECHAR> buffer(needed + 1);
  const DWORD length = GetShortPathNameW(wide.c_str(), buffer.data(), needed + 1);
  if (length == 0 || length > needed) return path;
  return Utf8FromWide(buffer.data(), length);
}

// Upper-case hexadecimal in braces, as the registry keeps a class identifier.
inline std::string GuidText(REFGUID guid) {
  OLECHAR text[40] = {};
  const int written = StringFromGUID2(guid, text, 40);
  // The count includes the terminating NUL; the text is ASCII.
  return written > 1 ? Utf8FromWide(text, static_cast<size_t>(written - 1)) : std::string();
}

}  // namespace qorvid::platform

#include "server/registry_key.h"

#include <vector>

#include "errors/component_error.h"
#include "platform/bstr.h"
#include "platform/utf8_text.h"

// POSIX's registry has a single view and takes no view flags; these are the
// SDK's values.
#ifndef KEY_WOW64_64KEY
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#endif

namespace qorvid {

const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, ""};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, "Software\\Classes\\"};

// Keys and values go through the wide calls: a server file name may hold
// characters that the ANSI code page lacks (a user's folder named in Kazakh).
void WriteClassesEntry(const ClassesRoot& root, const std::string& path, const std::string& text,
                       RegistryView view) {
  RegistryKey key;
  DWORD disposition = 0;
  const WideString keyName = platform::WideFromUtf8(root.prefix + path);
  LSTATUS status = RegCreateKeyExW(root.hive, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE | view, nullptr, key.put(), &disposition);
  if (status == ERROR_SUCCESS) {
    // Stored with its terminating NUL.
    const WideString value = platform::WideFromUtf8(text);
    status =
        RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(OLECHAR)));
  }
  if (status != ERROR_SUCCESS) throw ComponentError("Error creating system registry entry");
}

std::string ReadClassesEntry(const ClassesRoot& root, const std::string& path, RegistryView view) {
  RegistryKey key;
  const WideString keyName = platform::WideFromUtf8(root.prefix + path);
  if (RegOpenKeyExW(root.hive, keyName.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
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
  return platform::Utf8FromWide(text.data(), length);
}

void DeleteClassesKey(const ClassesRoot& root, const std::string& path) {
  RegDeleteKeyW(root.hive, platform::WideFromUtf8(root.prefix + path).c_str());
}

RegistryView OtherRegistryView() { return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

}  // namespace qorvid

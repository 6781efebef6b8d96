#include "server/registry_key.h"

#include <vector>

#include "automation/component_error.h"

// POSIX's registry has a single view and takes no view flags; these are the
// SDK's values.
#ifndef KEY_WOW64_64KEY
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#endif

namespace qorvid {

const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, ""};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, "Software\\Classes\\"};

void WriteClassesEntry(const ClassesRoot& root, const std::string& path, const std::string& text,
                       RegistryView view) {
  RegistryKey key;
  DWORD disposition = 0;
  LSTATUS status =
      RegCreateKeyExA(root.hive, (root.prefix + path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | view, nullptr, key.put(), &disposition);
  if (status == ERROR_SUCCESS) {
    // Stored with its terminating NUL.
    status =
        RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  }
  if (status != ERROR_SUCCESS) throw ComponentError("Error creating system registry entry");
}

std::string ReadClassesEntry(const ClassesRoot& root, const std::string& path, RegistryView view) {
  RegistryKey key;
  if (RegOpenKeyExA(root.hive, (root.prefix + path).c_str(), 0, KEY_READ | view, key.put()) !=
      ERROR_SUCCESS)
    return std::string();
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::string();
  std::vector<char> text(size + 1, '\0');
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &size) != ERROR_SUCCESS)
    return std::string();
  return std::string(text.data());
}

void DeleteClassesKey(const ClassesRoot& root, const std::string& path) {
  RegDeleteKeyA(root.hive, (root.prefix + path).c_str());
}

RegistryView OtherRegistryView() { return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

}  // namespace qorvid

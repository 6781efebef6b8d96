#include "server/registry_key.h"

#include "automation/component_error.h"

namespace qorvid {

void WriteClassesRootEntry(const std::string& path, const std::string& text) {
  RegistryKey key;
  DWORD disposition = 0;
  LSTATUS status =
      RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, key.put(), &disposition);
  if (status == ERROR_SUCCESS) {
    // Stored with its terminating NUL.
    status =
        RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  }
  if (status != ERROR_SUCCESS) throw ComponentError("Error creating system registry entry");
}

}  // namespace qorvid

// Writing one registry entry of self-registration: a key under
// HKEY_CLASSES_ROOT whose unnamed value is a string. The key handle is owned
// for the duration of the write, so it is closed on every path.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

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

// Creates HKEY_CLASSES_ROOT\path (and any missing parents) and sets its
// unnamed value to text. Raises "Error creating system registry entry" when
// either step fails.
void WriteClassesRootEntry(const std::string& path, const std::string& text);

}  // namespace qorvid

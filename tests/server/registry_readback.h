// Reading back what registration left under HKEY_CLASSES_ROOT, or under the
// current user's classes (HKEY_CURRENT_USER\Software\Classes).
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

enum class Classes { Machine, User };

bool KeyExists(const std::string& path, Classes where = Classes::Machine);

// A key's value as stored: found, its type, its size in bytes, its text
// (without the terminating NUL).
struct StoredValue {
  bool found = false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::string text;
};
StoredValue ReadValue(const std::string& path, const char* name = nullptr,
                      Classes where = Classes::Machine);

// For a foreign subkey: creates HKEY_CLASSES_ROOT\path.
bool CreateKey(const std::string& path);
void DeleteKey(const std::string& path);

}  // namespace qorvid

#include "tests/server/registry_readback.h"

#include <vector>

namespace qorvid {

namespace {

class OpenKey {
 public:
  OpenKey(const std::string& path, Classes where) {
    const LSTATUS status =
        where == Classes::User
            ? RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\Classes\\" + path).c_str(), 0, KEY_READ,
                            &key_)
            : RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key_);
    if (status != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool KeyExists(const std::string& path, Classes where) {
  return OpenKey(path, where).get() != nullptr;
}

StoredValue ReadValue(const std::string& path, const char* name, Classes where) {
  StoredValue value;
  OpenKey key(path, where);
  if (!key.get()) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  std::vector<BYTE> data(size + 1, 0);
  DWORD read = size;
  if (RegQueryValueExA(key.get(), name, nullptr, &value.type, data.data(), &read) != ERROR_SUCCESS)
    return value;
  value.found = true;
  value.size = read;
  std::string raw(reinterpret_cast<const char*>(data.data()), read);
  if (!raw.empty() && raw.back() == '\0') raw.pop_back();
  value.text = raw;
  return value;
}

bool CreateKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void DeleteKey(const std::string& path) { RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str()); }

}  // namespace qorvid

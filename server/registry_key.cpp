#include "server/registry_key.h"

#include "errors/component_error.h"
#include "platform/registry_entries.h"

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
  if (!platform::WriteRegistryText(root.hive, root.prefix + path, nullptr, text, view))
    throw ComponentError("Error creating system registry entry");
}

std::string ReadClassesEntry(const ClassesRoot& root, const std::string& path, RegistryView view) {
  return platform::ReadRegistryText(root.hive, root.prefix + path, view);
}

void DeleteClassesKey(const ClassesRoot& root, const std::string& path) {
  platform::DeleteRegistryKey(root.hive, root.prefix + path);
}

RegistryView OtherRegistryView() { return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

}  // namespace qorvid

// Writing, finding and deleting the keys of self-registration, under the
// machine's or the current user's classes.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

// Where the class entries live: HKEY_CLASSES_ROOT, as plain regsvr32 writes
// them for every user of the machine, or the user's own classes under
// HKEY_CURRENT_USER\Software\Classes, which need no administrator.
struct ClassesRoot {
  HKEY hive;
  const char* prefix;  // put before every key path
};
extern const ClassesRoot kMachineClasses;
extern const ClassesRoot kUserClasses;

// 0 for the process's own registry view; otherwise the view of the other
// bitness on 64-bit Windows (OtherRegistryView()).
using RegistryView = REGSAM;

// Creates root\path (and any missing parents) and sets its unnamed value to
// text. Raises "Error creating system registry entry" when either step fails.
void WriteClassesEntry(const ClassesRoot& root, const std::string& path, const std::string& text,
                       RegistryView view = 0);

// The unnamed string value of root\path; empty when the key or value is
// missing or is not a string.
std::string ReadClassesEntry(const ClassesRoot& root, const std::string& path,
                             RegistryView view = 0);

// Deletes the one key root\path; a missing key or one with subkeys stays,
// and the result is not reported.
void DeleteClassesKey(const ClassesRoot& root, const std::string& path);

// The view that a process of the other bitness reads. On 32-bit Windows,
// and in POSIX's registry, there is one view and this is it.
RegistryView OtherRegistryView();

}  // namespace qorvid

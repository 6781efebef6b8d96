#include "server/self_registration.h"

#include <string>

#include "errors/component_error.h"
#include "platform/registry_entries.h"
#include "platform/win32.h"
#include "server/registry_key.h"
#include "server/server_object.h"

namespace qorvid {

namespace {

const char kServerKeyName[] = "InprocServer32";

std::string ClassKey(const ClassRegistration& registration) {
  return "CLSID\\" + registration.clsidText();
}

std::string ServerKey(const ClassRegistration& registration) {
  return ClassKey(registration) + "\\" + kServerKeyName;
}

void WriteProgIdEntries(const ClassesRoot& root, const ClassRegistration& registration,
                        const std::string& progId, RegistryView view = 0) {
  WriteClassesEntry(root, progId, registration.description(), view);
  WriteClassesEntry(root, progId + "\\Clsid", registration.clsidText(), view);
}

// Any address inside this library finds its module.
void ModuleAnchor() {}

// The server file name as registration records it: the short form of a path
// with a blank. Empty when the system cannot tell.
std::string RegisteredFileName() {
  std::string fileName = platform::ModuleFileName(reinterpret_cast<const void*>(&ModuleAnchor));
  if (fileName.find(' ') != std::string::npos) fileName = platform::ShortPathName(fileName);
  return fileName;
}

void WriteClassEntries(const ClassesRoot& root, const ClassRegistration& registration,
                       const std::string& serverName) {
  const std::string progId = registration.progId(serverName);
  const std::string classKey = ClassKey(registration);

  WriteClassesEntry(root, classKey, registration.description());

  const std::string fileName = RegisteredFileName();
  if (fileName.empty()) throw ComponentError("Error creating system registry entry");
  WriteClassesEntry(root, ServerKey(registration), fileName);

  if (progId.empty()) return;
  WriteProgIdEntries(root, registration, progId);
  WriteClassesEntry(root, classKey + "\\ProgID", progId);
}

void DeleteClassEntries(const ClassesRoot& root, const ClassRegistration& registration,
                        const std::string& serverName) {
  const std::string progId = registration.progId(serverName);
  const std::string classKey = ClassKey(registration);
  // Every delete's result is ignored: the next one runs whatever happened.
  if (!progId.empty()) DeleteClassesKey(root, classKey + "\\ProgID");
  DeleteClassesKey(root, ServerKey(registration));
  DeleteClassesKey(root, classKey);
  if (progId.empty()) return;
  DeleteClassesKey(root, progId + "\\Clsid");
  DeleteClassesKey(root, progId);
  // Since Windows 7 both views share one ProgID key, so the deletes above took
  // it from the other bitness's registration too, if there is one: give it
  // back. Where the views keep their own ProgIDs this rewrites the same values.
  // Where there is one view only, the other view is this one, and a server
  // key left there (it held someone's subkey) names this file: no other
  // registration.
  const RegistryView other = OtherRegistryView();
  const std::string otherFile = ReadClassesEntry(root, ServerKey(registration), other);
  if (otherFile.empty() || otherFile == RegisteredFileName()) return;
  try {
    WriteProgIdEntries(root, registration, progId, other);
  } catch (const ComponentError&) {
    // Unregistration reports no failure; the other registration keeps its class.
  }
}

}  // namespace

void RegisterServerClasses(ServerObject& server, const ClassesRoot& root) {
  for (const ClassRegistration* registration : server.classes())
    WriteClassEntries(root, *registration, server.name());
}

void UnregisterServerClasses(ServerObject& server, const ClassesRoot& root) {
  for (const ClassRegistration* registration : server.classes())
    DeleteClassEntries(root, *registration, server.name());
}

}  // namespace qorvid

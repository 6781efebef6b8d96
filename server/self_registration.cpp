#include "server/self_registration.h"

#include <string>

#include "automation/component_error.h"
#include "platform/win32.h"
#include "server/module_path.h"
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

void WriteClassEntries(const ClassRegistration& registration, const std::string& serverName) {
  const std::string clsidText = registration.clsidText();
  const std::string progId = registration.progId(serverName);
  const std::string classKey = ClassKey(registration);

  WriteClassesRootEntry(classKey, registration.description());

  std::string fileName = ServerFileName();
  if (fileName.empty()) throw ComponentError("Error creating system registry entry");
  if (fileName.find(' ') != std::string::npos) fileName = ShortPathName(fileName);
  WriteClassesRootEntry(ServerKey(registration), fileName);

  if (progId.empty()) return;
  WriteClassesRootEntry(progId, registration.description());
  WriteClassesRootEntry(progId + "\\Clsid", clsidText);
  WriteClassesRootEntry(classKey + "\\ProgID", progId);
}

void DeleteClassEntries(const ClassRegistration& registration, const std::string& serverName) {
  const std::string progId = registration.progId(serverName);
  const std::string classKey = ClassKey(registration);
  // Every delete's result is ignored: the next one runs whatever happened.
  if (!progId.empty()) {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (classKey + "\\ProgID").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (progId + "\\Clsid").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, progId.c_str());
  }
  RegDeleteKeyA(HKEY_CLASSES_ROOT, ServerKey(registration).c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, classKey.c_str());
}

}  // namespace

void RegisterServerClasses(ServerObject& server) {
  for (const ClassRegistration* registration : server.classes())
    WriteClassEntries(*registration, server.name());
}

void UnregisterServerClasses(ServerObject& server) {
  for (const ClassRegistration* registration : server.classes())
    DeleteClassEntries(*registration, server.name());
}

}  // namespace qorvid

// No exception leaves these functions: the caller is the COM runtime or a
// registration tool, in C.
#include "server/exports.h"

#include "server/registry_key.h"
#include "server/self_registration.h"
#include "server/server_object.h"

using namespace qorvid;

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ServerObject* server = ServerObject::instance();
  if (!server) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    return server->getClassObject(rclsid, riid, ppv);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllCanUnloadNow(void) {
  ServerObject* server = ServerObject::instance();
  if (!server) return S_OK;
  return server->canUnload() ? S_OK : S_FALSE;
}

namespace {
// Registration and its undoing: E_UNEXPECTED without a server, E_FAIL when a
// registry step fails (its message goes nowhere: the caller reads the status).
HRESULT ChangeRegistration(void (*change)(ServerObject& server, const ClassesRoot& root),
                           const ClassesRoot& root) {
  ServerObject* server = ServerObject::instance();
  if (!server) return E_UNEXPECTED;
  try {
    change(*server, root);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

// DllInstall's command line, regsvr32's /i:text: "user" for the current user's
// classes, nothing or "machine" for HKEY_CLASSES_ROOT; letter case and blanks
// around it do not count. Null for anything else.
const ClassesRoot* RootNamed(LPCWSTR commandLine) {
  std::string word;
  for (LPCWSTR c = commandLine; c && *c; ++c) {
    if (*c == ' ' || *c == '\t') {
      if (!word.empty()) word.push_back(' ');
      continue;
    }
    if (*c > 0x7F) return nullptr;
    char ascii = static_cast<char>(*c);
    word.push_back(ascii >= 'A' && ascii <= 'Z' ? static_cast<char>(ascii - 'A' + 'a') : ascii);
  }
  while (!word.empty() && word.back() == ' ') word.pop_back();
  if (word == "user") return &kUserClasses;
  if (word.empty() || word == "machine") return &kMachineClasses;
  return nullptr;
}
}  // namespace

STDAPI DllRegisterServer(void) {
  return ChangeRegistration(RegisterServerClasses, kMachineClasses);
}

STDAPI DllUnregisterServer(void) {
  return ChangeRegistration(UnregisterServerClasses, kMachineClasses);
}

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  const ClassesRoot* root = RootNamed(commandLine);
  if (!root) return E_INVALIDARG;
  return ChangeRegistration(install ? RegisterServerClasses : UnregisterServerClasses, *root);
}

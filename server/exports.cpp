// No exception leaves these functions: the caller is the COM runtime or a
// registration tool, in C.
#include "server/exports.h"

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
HRESULT ChangeRegistration(void (*change)(ServerObject& server)) {
  ServerObject* server = ServerObject::instance();
  if (!server) return E_UNEXPECTED;
  try {
    change(*server);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}
}  // namespace

STDAPI DllRegisterServer(void) { return ChangeRegistration(RegisterServerClasses); }

STDAPI DllUnregisterServer(void) { return ChangeRegistration(UnregisterServerClasses); }

#include <dlfcn.h>

#include <cstdio>

#include "ado/ado_registration.h"
#include "host/console/module_loader.h"
#include "protocol/host_protocol.h"

namespace qorvid::host {

namespace {
typedef HRESULT (*GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);
}

bool StartHostProcess(std::string& problem) {
  if (FAILED(CoInitialize(nullptr))) {
    problem = "COM could not be initialised";
    return false;
  }
  // So that "ADODB.Connection" can be created, as on a Windows with ADO.
  AdoRegisterInProcess();
  return true;
}

void EndHostProcess() { CoUninitialize(); }

std::string DefaultModulePath() {
#ifdef QORVID_MODULE_PATH
  return QORVID_MODULE_PATH;
#else
  return "libqorvid.so";
#endif
}

ComPtr<IClassFactory> GetComponentFactory(const std::string& modulePath, std::string& problem) {
  const std::string path = modulePath.empty() ? DefaultModulePath() : modulePath;
  // The module stays loaded for the life of the process, as COM keeps an
  // in-process server until it is asked to free unused libraries.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    problem = "cannot load the component module " + path + ": " + (why ? why : "unknown reason");
    return ComPtr<IClassFactory>();
  }
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(module, "DllGetClassObject"));
  if (!getClassObject) {
    problem = "the module " + path + " exports no DllGetClassObject";
    return ComPtr<IClassFactory>();
  }
  ComPtr<IClassFactory> factory;
  const HRESULT hr = getClassObject(CLSID_qorvid, IID_IClassFactory, factory.putVoid());
  if (FAILED(hr) || !factory) {
    char buf[16];
    snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(hr));
    problem = std::string("DllGetClassObject refused the component class (status ") + buf + ")";
    return ComPtr<IClassFactory>();
  }
  return factory;
}

}  // namespace qorvid::host

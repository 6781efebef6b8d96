#include <dlfcn.h>

#include "tests/server/server_module.h"

namespace qorvid {

ServerModule::ServerModule(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* message = dlerror();
    error_ = message ? message : "dlopen failed";
    return;
  }
  getClassObject = reinterpret_cast<GetClassObjectFn>(symbol("DllGetClassObject"));
  canUnloadNow = reinterpret_cast<ServerFn>(symbol("DllCanUnloadNow"));
  registerServer = reinterpret_cast<ServerFn>(symbol("DllRegisterServer"));
  unregisterServer = reinterpret_cast<ServerFn>(symbol("DllUnregisterServer"));
  install = reinterpret_cast<InstallFn>(symbol("DllInstall"));
}

ServerModule::~ServerModule() {
  if (handle_) dlclose(handle_);
}

void* ServerModule::symbol(const char* name) { return dlsym(handle_, name); }

std::string ServerModule::fileName() const {
  Dl_info info = {};
  if (!handle_ || !canUnloadNow || !dladdr(reinterpret_cast<void*>(canUnloadNow), &info) ||
      !info.dli_fname)
    return std::string();
  return info.dli_fname;
}

std::string BuiltServerPath() { return QORVID_SERVER_MODULE; }

}  // namespace qorvid

#include "tests/server/server_module.h"

namespace qorvid {

ServerModule::ServerModule(const std::string& path) {
  handle_ = LoadLibraryA(path.c_str());
  if (!handle_) {
    error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return;
  }
  getClassObject = reinterpret_cast<GetClassObjectFn>(symbol("DllGetClassObject"));
  canUnloadNow = reinterpret_cast<ServerFn>(symbol("DllCanUnloadNow"));
  registerServer = reinterpret_cast<ServerFn>(symbol("DllRegisterServer"));
  unregisterServer = reinterpret_cast<ServerFn>(symbol("DllUnregisterServer"));
  install = reinterpret_cast<InstallFn>(symbol("DllInstall"));
}

ServerModule::~ServerModule() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* ServerModule::symbol(const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string ServerModule::fileName() const {
  char name[MAX_PATH * 4] = {};
  DWORD length = handle_ ? GetModuleFileNameA(static_cast<HMODULE>(handle_), name, sizeof name) : 0;
  return std::string(name, length);
}

std::string BuiltServerPath() { return QORVID_SERVER_MODULE; }

}  // namespace qorvid

#include "tests/server/runtime/runtime_registration.h"
#include "tests/server/server_module.h"

namespace qorvid {

std::string PrepareRegistration() {
  ServerModule module(BuiltServerPath());
  if (!module.loaded()) return module.error();
  if (!module.registerServer || module.registerServer() != S_OK) return "DllRegisterServer failed";
  return std::string();
}

void UndoRegistration() {
  ServerModule module(BuiltServerPath());
  if (module.loaded() && module.unregisterServer) module.unregisterServer();
}

}  // namespace qorvid

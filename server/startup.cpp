// Library load and unload. A static object's constructor and destructor run
// at process attach and detach on both sides, the DLL's and the shared
// object's, so no DllMain is needed.
#include <optional>

#include "server/class_registration.h"
#include "server/qorvid_class.h"
#include "server/server_object.h"

namespace qorvid {

namespace {

class Startup {
 public:
  Startup() {
    server_.setName(kServerName);
    registration_.emplace(server_, CLSID_qorvid, kClassName, kClassDescription);
  }
  // Members go in reverse order: the registration leaves the list first.

 private:
  ServerObject server_;
  std::optional<ClassRegistration> registration_;
};

Startup startup;

}  // namespace

}  // namespace qorvid

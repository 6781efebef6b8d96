// Library load and unload. A static object's constructor and destructor run
// at process attach and detach on both sides, the DLL's and the shared
// object's, so no DllMain is needed.
#include "server/qorvid_class.h"
#include "server/server_object.h"

namespace qorvid {

namespace {

class Startup {
 public:
  Startup() {
    server_.setName(kServerName);
    server_.addClass(CLSID_qorvid, kClassName, kClassDescription);
  }

 private:
  ServerObject server_;
};

Startup startup;

}  // namespace

}  // namespace qorvid

// The server object: one per loaded library, from load to unload. It keeps
// the server name and the list of class registrations (guarded by a
// reader/writer lock); as the library's COM module it counts the class
// factory references and server locks that, with the live-object count,
// decide whether the library may be unloaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/win32.h"
#include "server/class_registration.h"

namespace qorvid {

class ServerObject : public platform::ComModule {
 public:
  ServerObject();
  ~ServerObject();

  // The server of this library while it is loaded; null once it is gone.
  static ServerObject* instance();

  void setName(const std::string& name) { name_ = name; }
  const std::string& name() const { return name_; }

  // Registers one more class, under the writer lock; the server keeps the
  // registration until it goes itself.
  void addClass(REFCLSID clsid, std::string className, std::string description);

  // Asks the factory of the class registered under clsid for iid.
  HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) override;

  // Self-registration for every user of the machine, and its undoing.
  HRESULT registerServer() override;
  HRESULT unregisterServer() override;

  // The component objects alive.
  LONG liveObjects() const override;

  // A server lock also holds the object on the COM runtime's side.
  HRESULT lockServer(IClassFactory* factory, BOOL lock) override;

  // A snapshot of the registrations, taken under the reader lock. They live
  // as long as the server, so the pointers stay valid while it is loaded.
  std::vector<const ClassRegistration*> classes();

 private:
  std::string name_;
  std::vector<std::unique_ptr<ClassRegistration>> classes_;
  SRWLOCK classesLock_ = SRWLOCK_INIT;
};

}  // namespace qorvid

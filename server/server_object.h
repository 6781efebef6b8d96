// The server object: one per loaded library, from load to unload. It keeps
// the server name, the list of class registrations (guarded by a reader/writer
// lock) and the class factory reference count that, with the live-object
// count, decides whether the library may be unloaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "server/class_factory.h"
#include "server/class_registration.h"

namespace qorvid {

class ServerObject {
 public:
  ServerObject();
  ~ServerObject();
  ServerObject(const ServerObject&) = delete;
  ServerObject& operator=(const ServerObject&) = delete;

  // The server of this library while it is loaded; null once it is gone.
  static ServerObject* instance();

  void setName(const std::string& name) { name_ = name; }
  const std::string& name() const { return name_; }

  // Registers one more class, under the writer lock; the server keeps the
  // registration until it goes itself.
  void addClass(REFCLSID clsid, std::string className, std::string description);

  // Asks the factory of the class registered under clsid for iid.
  HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);

  // A snapshot of the registrations, taken under the reader lock. They live
  // as long as the server, so the pointers stay valid while it is loaded.
  std::vector<const ClassRegistration*> classes();

  // No component object alive, no server lock held, no factory reference held.
  bool canUnload() const;

 private:
  std::string name_;
  // Declared before the registrations: their factories count here.
  FactoryReferences factoryReferences_;
  std::vector<std::unique_ptr<ClassRegistration>> classes_;
  SRWLOCK classesLock_ = SRWLOCK_INIT;
};

}  // namespace qorvid

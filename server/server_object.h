// The server object: one per loaded library, from load to unload. It keeps
// the server name, the list of class registrations (guarded by a reader/writer
// lock) and the class factory reference count that, with the live-object
// count, decides whether the library may be unloaded.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace qorvid {

class ClassRegistration;

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

  // Called by a registration's constructor and destructor.
  void addClass(ClassRegistration* registration);
  void removeClass(ClassRegistration* registration);

  // Asks the factory of the class registered under clsid for iid.
  HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);

  // A snapshot of the registrations, taken under the reader lock. They live
  // as long as the server, so the pointers stay valid while it is loaded.
  std::vector<ClassRegistration*> classes();

  // The class factories' reference count.
  LONG factoryAddRef() { return InterlockedIncrement(&factoryReferences_); }
  LONG factoryRelease() { return InterlockedDecrement(&factoryReferences_); }
  LONG factoryReferences() const { return factoryReferences_; }

  // No component object alive, no server lock held, no factory reference held.
  bool canUnload() const;

 private:
  std::string name_;
  std::vector<ClassRegistration*> classes_;
  SRWLOCK classesLock_ = SRWLOCK_INIT;
  LONG volatile factoryReferences_ = 0;
};

}  // namespace qorvid

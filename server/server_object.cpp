#include "server/server_object.h"

#include <utility>

#include "component/object_count.h"
#include "server/registry_key.h"
#include "server/self_registration.h"
#include "server/srw_guard.h"

namespace qorvid {

namespace {
// Constant-initialised, so it reads null before load and after unload.
ServerObject* theServer = nullptr;
}  // namespace

ServerObject::ServerObject() { theServer = this; }

ServerObject::~ServerObject() {
  {
    ExclusiveLock hold(classesLock_);
    classes_.clear();
  }
  if (theServer == this) theServer = nullptr;
}

ServerObject* ServerObject::instance() { return theServer; }

void ServerObject::addClass(REFCLSID clsid, std::string className, std::string description) {
  auto registration = std::make_unique<ClassRegistration>(clsid, std::move(className),
                                                          std::move(description), *this);
  ExclusiveLock hold(classesLock_);
  classes_.push_back(std::move(registration));
}

HRESULT ServerObject::getClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  SharedLock hold(classesLock_);
  for (const std::unique_ptr<ClassRegistration>& registration : classes_) {
    if (IsEqualCLSID(registration->clsid(), clsid))
      return registration->factory()->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerObject::registerServer() {
  RegisterServerClasses(*this, kMachineClasses);
  return S_OK;
}

HRESULT ServerObject::unregisterServer() {
  UnregisterServerClasses(*this, kMachineClasses);
  return S_OK;
}

LONG ServerObject::liveObjects() const { return LiveObjectCount(); }

HRESULT ServerObject::lockServer(IClassFactory* factory, BOOL lock) {
  const HRESULT hr = CoLockObjectExternal(factory, lock, TRUE);
  ComModule::lockServer(factory, lock);
  return hr;
}

std::vector<const ClassRegistration*> ServerObject::classes() {
  SharedLock hold(classesLock_);
  std::vector<const ClassRegistration*> snapshot;
  for (const std::unique_ptr<ClassRegistration>& registration : classes_)
    snapshot.push_back(registration.get());
  return snapshot;
}

}  // namespace qorvid

#include "server/server_object.h"

#include <utility>

#include "component/object_count.h"
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
  auto registration = std::make_unique<ClassRegistration>(
      clsid, std::move(className), std::move(description), factoryReferences_);
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

std::vector<const ClassRegistration*> ServerObject::classes() {
  SharedLock hold(classesLock_);
  std::vector<const ClassRegistration*> snapshot;
  for (const std::unique_ptr<ClassRegistration>& registration : classes_)
    snapshot.push_back(registration.get());
  return snapshot;
}

bool ServerObject::canUnload() const {
  return LiveObjectCount() == 0 && factoryReferences_.count() == 0;
}

}  // namespace qorvid

#include "server/server_object.h"

#include <algorithm>

#include "component/object_count.h"
#include "server/class_registration.h"
#include "server/srw_guard.h"

namespace qorvid {

namespace {
// Constant-initialised, so it reads null before load and after unload.
ServerObject* theServer = nullptr;
}  // namespace

ServerObject::ServerObject() { theServer = this; }

ServerObject::~ServerObject() {
  if (theServer == this) theServer = nullptr;
}

ServerObject* ServerObject::instance() { return theServer; }

void ServerObject::addClass(ClassRegistration* registration) {
  ExclusiveLock hold(classesLock_);
  classes_.push_back(registration);
}

void ServerObject::removeClass(ClassRegistration* registration) {
  ExclusiveLock hold(classesLock_);
  classes_.erase(std::remove(classes_.begin(), classes_.end(), registration), classes_.end());
}

HRESULT ServerObject::getClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  SharedLock hold(classesLock_);
  for (ClassRegistration* registration : classes_) {
    if (IsEqualCLSID(registration->clsid(), clsid))
      return registration->factory()->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

std::vector<ClassRegistration*> ServerObject::classes() {
  SharedLock hold(classesLock_);
  return classes_;
}

bool ServerObject::canUnload() const { return LiveObjectCount() == 0 && factoryReferences_ == 0; }

}  // namespace qorvid

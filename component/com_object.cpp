#include "component/com_object.h"

namespace qorvid {

ComObject::ComObject(IUnknown* outer) : inner_(this), outer_(outer ? outer : &inner_) {}

ComObject::~ComObject() = default;

bool ComObject::implements(REFIID iid) {
  return IsEqualIID(iid, IID_IUnknown) || interfaceFor(iid) != nullptr;
}

HRESULT STDMETHODCALLTYPE ComObject::InnerUnknown::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  void* p = owner_->interfaceFor(iid);
  *out = p;
  if (!p) return E_NOINTERFACE;
  // Through the interface itself, so an aggregated object counts on the outer.
  static_cast<IUnknown*>(p)->AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ComObject::InnerUnknown::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&owner_->refs_));
}

ULONG STDMETHODCALLTYPE ComObject::InnerUnknown::Release() {
  LONG left = InterlockedDecrement(&owner_->refs_);
  if (left == 0) delete owner_;
  return static_cast<ULONG>(left < 0 ? 0 : left);
}

}  // namespace qorvid

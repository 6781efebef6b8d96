#include "server/class_factory.h"

#include <exception>
#include <new>

#include "component/addin_object.h"
#include "component/object_count.h"
#include "errors/component_error.h"
#include "server/construction_error.h"

namespace qorvid {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() { return static_cast<ULONG>(references_.addRef()); }

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  return static_cast<ULONG>(references_.release());
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;

  AddInObject* object = nullptr;
  try {
    object = new AddInObject(outer);
  } catch (const ComponentError& e) {
    ShowConstructionError(e.message());
    return E_UNEXPECTED;
  } catch (const std::bad_alloc&) {
    ShowConstructionError("Out of memory");
    return E_UNEXPECTED;
  } catch (const std::exception& e) {
    ShowConstructionError(e.what());
    return E_UNEXPECTED;
  } catch (...) {
    ShowConstructionError("Unexpected error creating the component object");
    return E_UNEXPECTED;
  }

  // The object starts at no reference: hold one across the query, so that a
  // refused interface leaves it at none and it is destroyed again.
  IUnknown* inner = object->inner();
  inner->AddRef();
  HRESULT hr = inner->QueryInterface(iid, out);
  inner->Release();
  return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  HRESULT hr = CoLockObjectExternal(static_cast<IClassFactory*>(this), lock, TRUE);
  // A server lock counts as a live object for the unload rule.
  if (lock)
    LiveObjectCreated();
  else
    LiveObjectDestroyed();
  return hr;
}

}  // namespace qorvid

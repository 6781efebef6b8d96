#include "server/qorvid_class.h"

#include <exception>
#include <new>

#include "component/addin_object.h"
#include "errors/component_error.h"
#include "server/construction_error.h"

namespace qorvid {

const char kServerName[] = "AddIn";
const char kClassName[] = "qorvid";
const char kClassDescription[] = "V7 AddIn 2.0";

HRESULT CreateComponentObject(IUnknown* outer, REFIID iid, void** out) {
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

}  // namespace qorvid

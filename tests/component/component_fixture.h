// Shared set-up for the component tests: a component object made the way
// the class factory makes one, and host parameter arrays.
#pragma once

#include <initializer_list>

#include "automation/automation.h"
#include "component/addin_object.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qorvid {

struct TestComponent {
  AddInObject* object = nullptr;
  ComPtr<IScriptExtension> extension;
  ComPtr<IHostInit> init;

  TestComponent() {
    object = new AddInObject();
    object->inner()->AddRef();
    extension = ComPtr<IScriptExtension>(object);
    init = ComPtr<IHostInit>(object);
    object->inner()->Release();
  }
  ComponentState& state() { return object->state(); }
  // ErrorMsg as the host reads it, in the ANSI code page.
  std::string errorMsg() {
    Variant v;
    extension->GetPropertyValue(0, v.ptr());
    return ValueText(v);
  }
};

// A one-dimensional array of VARIANT as the host passes parameters; owns it.
class ParamArray {
 public:
  explicit ParamArray(std::initializer_list<Variant> values) {
    array_ = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
    LONG i = 0;
    for (const Variant& v : values) {
      LONG index[1] = {i++};
      SafeArrayPutElement(array_, index, const_cast<VARIANT*>(v.ptr()));
    }
  }
  ~ParamArray() { SafeArrayDestroy(array_); }
  ParamArray(const ParamArray&) = delete;
  ParamArray& operator=(const ParamArray&) = delete;
  SAFEARRAY** ptr() { return &array_; }
  Variant at(LONG i) {
    Variant v;
    LONG index[1] = {i};
    SafeArrayGetElement(array_, index, v.ptr());
    return v;
  }

 private:
  SAFEARRAY* array_ = nullptr;
};

}  // namespace qorvid

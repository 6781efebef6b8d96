// The one set-up the component, database, encoding and fuzz tests share: a
// component object made the way the class factory makes one, called the way
// a host calls it (member numbers found by name through FindMethod and
// FindProperty), and host parameter arrays.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "component/addin_object.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qorvid {

// What only tests may reach inside a component object.
struct AddInObjectProbe {
  static ComponentState& state(AddInObject& object) { return object.state_; }
  // CallAsFunction's frame and failure path around a stand-in branch.
  static HRESULT dispatch(AddInObject& object, MethodBranch branch, VARIANT* result,
                          SAFEARRAY** parameters) {
    return object.dispatch(branch, result, parameters);
  }
  static void reportError(AddInObject& object, const WideString& text) { object.ReportError(text); }
};

// A one-dimensional array of VARIANT as the host passes parameters; owns it.
class ParamArray {
 public:
  explicit ParamArray(std::initializer_list<Variant> values)
      : ParamArray(std::vector<Variant>(values)) {}
  explicit ParamArray(const std::vector<Variant>& values) {
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

struct TestComponent {
  AddInObject* object = nullptr;
  ComPtr<IScriptExtension> extension;
  ComPtr<IHostInit> init;

  TestComponent() {
    // The object starts with no reference; the two owners below keep it.
    object = new AddInObject();
    object->inner()->AddRef();
    extension = ComPtr<IScriptExtension>(object);
    init = ComPtr<IHostInit>(object);
    object->inner()->Release();
  }
  ComponentState& state() { return AddInObjectProbe::state(*object); }

  // The member number FindMethod / FindProperty give for a name (cp1251 for
  // a Russian one); -1 for an unknown name.
  long method(const std::string& name) {
    long number = -1;
    extension->FindMethod(Bstr::fromUtf8(name).get(), &number);
    return number;
  }
  long property(const std::string& name) {
    long number = -1;
    extension->FindProperty(Bstr::fromUtf8(name).get(), &number);
    return number;
  }

  // CallAsFunction on the method of that name; the call's result.
  Variant call(const std::string& name, const std::vector<Variant>& args = {}) {
    ParamArray parameters(args);
    Variant result;
    extension->CallAsFunction(method(name), result.ptr(), parameters.ptr());
    return result;
  }
  Variant get(const std::string& name) {
    Variant value;
    extension->GetPropertyValue(property(name), value.ptr());
    return value;
  }
  void set(const std::string& name, const Variant& value) {
    Variant copy(value);
    extension->SetPropertyValue(property(name), copy.ptr());
  }
  // ErrorMsg as the host reads it, in the ANSI code page.
  std::string errorMsg() { return ValueText(get("ErrorMsg")); }
};

}  // namespace qorvid

// Late-bound calls on ADO and host objects, and the two conversions of host
// values (value text, integer value) that every branch uses. The component
// never binds to ADO or the host at build time: each call names its member by
// text, looks it up with GetIDsOfNames at that moment and invokes it.
//
//   Automation(state.adoConnection).call("Execute", byRef(statement));
//
// Every failure is raised as a ComponentError with the message the call rules
// give ("Variant does not reference an automation object", "Method '%s' not
// supported by automation object", the exception description, the system's
// text or "OLE error %.8x").
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

#include "errors/component_error.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

// One argument of a late-bound call, in one of the seven argument forms.
class Arg {
 public:
  enum Form { Integer, HostValue, Text, TextByRef, HostValueByRef, IntegerByRef, Omitted };

  Form form() const { return form_; }

 private:
  friend Arg byValue(LONG);
  friend Arg byValue(const VARIANT&);
  friend Arg byValue(const std::string&);
  friend Arg byRef(std::string&);
  friend Arg byRef(VARIANT&);
  friend Arg byRef(LONG&);
  friend Arg omitted();
  friend class Automation;

  Form form_ = Omitted;
  LONG integer_ = 0;
  const VARIANT* value_ = nullptr;
  const std::string* text_ = nullptr;
  std::string* textRef_ = nullptr;
  VARIANT* valueRef_ = nullptr;
  LONG* integerRef_ = nullptr;
};

// integer: VT_I4.
Arg byValue(LONG integer);
// host value: the VARIANT unchanged.
Arg byValue(const VARIANT& value);
// text by value: a BSTR made from the UTF-8 text.
Arg byValue(const std::string& text);
// text by reference: VT_BSTR|VT_BYREF; after a successful call the BSTR,
// changed or not, is converted back into the text.
Arg byRef(std::string& text);
// host value by reference: VT_VARIANT|VT_BYREF pointing at the value.
Arg byRef(VARIANT& value);
// integer by reference: VT_I4|VT_BYREF.
Arg byRef(LONG& integer);
// omitted: VT_ERROR holding DISP_E_PARAMNOTFOUND.
Arg omitted();

// The target of late-bound calls: a host value that must hold a dispatch
// interface (VT_DISPATCH, or a reference to one). The check is made at each
// call, so an empty target fails only when something is called on it.
class Automation {
 public:
  explicit Automation(const VARIANT& target) : target_(&target) {}
  explicit Automation(const Variant& target) : target_(target.ptr()) {}

  // property write: DISPATCH_PROPERTYPUT with the named argument
  // DISPID_PROPERTYPUT, or DISPATCH_PROPERTYPUTREF for a dispatch value.
  void put(const char* member, const Arg& value) const;
  // property read with argument: DISPATCH_PROPERTYGET.
  Variant getWith(const char* member, const Arg& argument) const;
  // call without arguments, result used: DISPATCH_METHOD|DISPATCH_PROPERTYGET.
  Variant get(const char* member) const;
  // method: DISPATCH_METHOD; the answer is returned for callers that use it.
  Variant call(const char* member, std::initializer_list<Arg> arguments = {}) const;

 private:
  enum class Form { Put, GetWith, Get, Method };
  // The one late-bound call all four forms go through.
  Variant invoke(Form form, const char* member, const Arg* arguments, size_t count) const;

  const VARIANT* target_;
};

// Value text: a string as UTF-8, every unit kept; any other value first
// converted to a string by VariantChangeTypeEx with the user's default locale.
// Fails with "Invalid variant type conversion".
std::string ValueText(const VARIANT& value);
inline std::string ValueText(const Variant& value) { return ValueText(value.get()); }

// The value as a script receives a text: a string as it is, anything else
// converted as ValueText converts it. Fails as ValueText does.
Variant AsText(Variant value);

// Integer value: integer types as they are (low 32 bits), floating point and
// currency rounded, anything else through VariantChangeTypeEx to VT_I4.
// Fails with "Invalid variant type conversion".
LONG IntegerValue(const VARIANT& value);
inline LONG IntegerValue(const Variant& value) { return IntegerValue(value.get()); }

// The boolean reading of an answer (EOF): VariantChangeTypeEx to VT_BOOL.
bool BooleanValue(const VARIANT& value);
inline bool BooleanValue(const Variant& value) { return BooleanValue(value.get()); }

// The message a failing status gives: the system's text for it, or
// "OLE error %.8x" when the system has none.
std::string StatusMessage(HRESULT status);

}  // namespace qorvid

// Drives the ADO-compatible objects the way the component does: every call
// looks its member up with GetIDsOfNames and invokes it with the component's
// flags and argument forms.
#pragma once

#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

struct CallResult {
  HRESULT hr = E_UNEXPECTED;
  Variant value;
  WideString description;
  WideString source;
  SCODE scode = 0;
};

class Late {
 public:
  Late() = default;
  explicit Late(const Variant& dispatchValue);
  explicit Late(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  // flags and arguments in call order, placed into DISPPARAMS reversed.
  CallResult invoke(const std::string& member, WORD flags, std::vector<VARIANT> args) const;
  // property write: DISPATCH_PROPERTYPUT(REF) with the DISPID_PROPERTYPUT name.
  CallResult put(const std::string& member, VARIANT value) const;
  // property read with one argument.
  CallResult getWith(const std::string& member, VARIANT argument) const;
  // call without arguments, result used.
  CallResult get(const std::string& member) const;
  // method.
  CallResult call(const std::string& member, std::vector<VARIANT> args = {}) const;

  IDispatch* object() const { return object_.get(); }
  explicit operator bool() const { return bool(object_); }

 private:
  ComPtr<IDispatch> object_;
};

// Argument forms.
VARIANT I4(LONG v);
VARIANT I4Ref(LONG* v);
VARIANT BstrRef(BSTR* b);
VARIANT VariantRef(VARIANT* v);
VARIANT Omitted();

WideString U(const char* utf8);

// A new "ADODB.Connection" through CLSIDFromProgID and CoCreateInstance.
Late NewConnection();
// CursorLocation 3, ConnectionString, Open with its argument omitted.
CallResult OpenConnection(const Late& connection, const WideString& connectionString);
// Execute with the statement text by reference.
CallResult Execute(const Late& connection, const WideString& sql);
// Execute that must succeed; the recordset it gives.
Late RunSql(const Late& connection, const WideString& sql);
// Fields(selector) with the selector as a variant by reference.
CallResult FieldByName(const Late& recordset, const WideString& name);
// Value of the named field of the current row; must succeed.
Variant FieldValue(const Late& recordset, const WideString& name);
bool IsEof(const Late& recordset);
LONG FieldCount(const Late& recordset);

}  // namespace qorvid::ado

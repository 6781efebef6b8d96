// The arguments of one Invoke, in the order the caller wrote them (DISPPARAMS
// keeps them reversed, named arguments first). Values given by reference are
// read through their reference.
#pragma once

#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

class InvokeArgs {
 public:
  explicit InvokeArgs(const DISPPARAMS* params);

  // Number of positional arguments.
  UINT count() const { return positional_; }
  // Argument i, by reference resolved; VT_EMPTY past the end.
  Variant value(UINT i) const;
  // True when argument i is absent or marked as omitted (VT_ERROR
  // DISP_E_PARAMNOTFOUND).
  bool omitted(UINT i) const;
  // Argument i read in place through variant references, when it is a plain
  // value there; null past the end or for other references (use value()).
  const VARIANT* plain(UINT i) const;
  // Argument i as text (ArgText of value(i)), read in place when it is a
  // BSTR there, by value or by reference, without copying the BSTR first.
  WideString text(UINT i) const;
  // The slot of argument i as passed, for by-reference results; null past the end.
  VARIANT* slot(UINT i) const;
  // The value of a property write (the DISPID_PROPERTYPUT argument).
  Variant putValue() const;

 private:
  const DISPPARAMS* params_;
  UINT positional_ = 0;
};

// Follows VT_BYREF (and VT_VARIANT|VT_BYREF chains) to a plain copy.
Variant Dereferenced(const VARIANT& v);

// Conversions of argument values; AdoError "Arguments are of the wrong
// type..." when the value has no such reading.
WideString ArgText(const Variant& v);
LONG ArgInteger(const Variant& v);
// Writes an integer through a by-reference slot (VT_I4|VT_BYREF or
// VT_VARIANT|VT_BYREF); other slots are left alone.
void StoreThrough(VARIANT* slot, LONG value);

}  // namespace qorvid::ado

#include "ado/model/invoke_args.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

#include "ado/model/ado_error.h"

namespace qorvid::ado {

InvokeArgs::InvokeArgs(const DISPPARAMS* params) : params_(params) {
  positional_ = params->cArgs - params->cNamedArgs;
}

VARIANT* InvokeArgs::slot(UINT i) const {
  if (i >= positional_) return nullptr;
  return &params_->rgvarg[params_->cArgs - 1 - i];
}

Variant InvokeArgs::value(UINT i) const {
  VARIANT* s = slot(i);
  return s ? Dereferenced(*s) : Variant();
}

namespace {

// The end of a chain of variant references (as Dereferenced follows it);
// null when the chain breaks.
const VARIANT* ChainEnd(const VARIANT* p) {
  for (int depth = 0; p->vt == (VT_VARIANT | VT_BYREF); ++depth) {
    if (!p->pvarVal || depth > 8) return nullptr;
    p = p->pvarVal;
  }
  return p;
}

}  // namespace

const VARIANT* InvokeArgs::plain(UINT i) const {
  const VARIANT* s = slot(i);
  const VARIANT* p = s ? ChainEnd(s) : nullptr;
  return p && !(p->vt & VT_BYREF) ? p : nullptr;
}

WideString InvokeArgs::text(UINT i) const {
  const VARIANT* s = slot(i);
  const VARIANT* p = s ? ChainEnd(s) : nullptr;
  const BSTR* b = nullptr;
  if (p && p->vt == VT_BSTR) b = &p->bstrVal;
  if (p && p->vt == (VT_BSTR | VT_BYREF)) b = p->pbstrVal;
  if (!b) return ArgText(value(i));
  return *b ? WideString(*b, SysStringLen(*b)) : WideString();
}

bool InvokeArgs::omitted(UINT i) const {
  if (i >= positional_) return true;
  // Looked at through its references, not copied.
  const VARIANT* p = ChainEnd(slot(i));
  if (!p) return false;
  if (p->vt == VT_ERROR) return p->scode == DISP_E_PARAMNOTFOUND;
  return p->vt == (VT_ERROR | VT_BYREF) && p->pscode && *p->pscode == DISP_E_PARAMNOTFOUND;
}

Variant InvokeArgs::putValue() const {
  for (UINT i = 0; i < params_->cNamedArgs; ++i)
    if (params_->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT)
      return Dereferenced(params_->rgvarg[i]);
  return Variant();
}

Variant Dereferenced(const VARIANT& v) {
  const VARIANT* p = &v;
  // A variant reference may point at another one; a short chain is enough
  // for any caller, and a cycle must not hang us.
  for (int depth = 0; p->vt == (VT_VARIANT | VT_BYREF); ++depth) {
    if (!p->pvarVal || depth > 8) return Variant();
    p = p->pvarVal;
  }
  Variant out;
  if ((p->vt & VT_BYREF) && !p->byref) return out;
  const HRESULT hr = (p->vt & VT_BYREF) ? VariantCopyInd(out.put(), const_cast<VARIANT*>(p))
                                        : VariantCopy(out.put(), const_cast<VARIANT*>(p));
  // An argument that could not be copied must not pass for an empty one.
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(hr)) out.clear();
  return out;
}

WideString ArgText(const Variant& v) {
  if (v.vt() == VT_BSTR) {
    BSTR b = v.get().bstrVal;
    return b ? WideString(b, SysStringLen(b)) : WideString();
  }
  Variant text;
  if (v.vt() == VT_EMPTY || v.vt() == VT_NULL || v.vt() == VT_DISPATCH || v.vt() == VT_UNKNOWN ||
      (v.vt() & VT_ARRAY))
    throw AdoError(ado_text::kWrongArguments);
  const HRESULT hr = VariantChangeType(text.put(), const_cast<VARIANT*>(v.ptr()), 0, VT_BSTR);
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(hr)) throw AdoError(ado_text::kWrongArguments);
  BSTR b = text.get().bstrVal;
  return b ? WideString(b, SysStringLen(b)) : WideString();
}

LONG ArgInteger(const Variant& v) {
  // Numbers and booleans count by their value, which must be a whole number
  // in range; anything else by what converts to a LONG.
  static const VARTYPE kNumbers[] = {VT_I1,   VT_UI1, VT_I2,  VT_UI2, VT_I4, VT_UI4, VT_INT,
                                     VT_UINT, VT_I8,  VT_UI8, VT_R4,  VT_R8, VT_BOOL};
  Variant n;
  if (std::find(std::begin(kNumbers), std::end(kNumbers), v.vt()) == std::end(kNumbers)) {
    if (v.vt() == VT_EMPTY || v.vt() == VT_NULL ||
        FAILED(VariantChangeType(n.put(), const_cast<VARIANT*>(v.ptr()), 0, VT_I4)))
      throw AdoError(ado_text::kWrongArguments);
    return n.get().lVal;
  }
  if (FAILED(VariantChangeType(n.put(), const_cast<VARIANT*>(v.ptr()), 0, VT_R8)))
    throw AdoError(ado_text::kWrongArguments);
  const double d = n.get().dblVal;
  if (!(d >= -2147483648.0 && d <= 2147483647.0) || d != std::floor(d))
    throw AdoError(ado_text::kWrongArguments);
  return static_cast<LONG>(d);
}

void StoreThrough(VARIANT* slot, LONG value) {
  if (!slot) return;
  if (slot->vt == (VT_I4 | VT_BYREF) && slot->plVal) {
    *slot->plVal = value;
  } else if (slot->vt == (VT_VARIANT | VT_BYREF) && slot->pvarVal) {
    VariantClear(slot->pvarVal);
    slot->pvarVal->vt = VT_I4;
    slot->pvarVal->lVal = value;
  }
}

}  // namespace qorvid::ado

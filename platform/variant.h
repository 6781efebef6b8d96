// Variant: owns one VARIANT, in the manner of _variant_t. Cleared on
// destruction and before every overwrite, so a VARIANT's BSTR, interface or
// array is released exactly once.
#pragma once

#include <new>
#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

class Variant {
 public:
  Variant() { Empty(v_); }
  Variant(const Variant& o) {
    Empty(v_);
    Copied(VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)));
  }
  // Copies a VARIANT the caller keeps.
  explicit Variant(const VARIANT& o) {
    Empty(v_);
    Copied(VariantCopy(&v_, const_cast<VARIANT*>(&o)));
  }
  Variant(Variant&& o) noexcept : v_(o.v_) { Empty(o.v_); }
  // Only a value that may own something is cleared: most temporaries end
  // empty (moved from) or hold a number, and are dropped at every call.
  ~Variant() {
    if (MayOwn(v_.vt)) VariantClear(&v_);
  }
  Variant& operator=(const Variant& o) {
    if (this != &o) Copied(VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)));
    return *this;
  }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      VariantClear(&v_);
      v_ = o.v_;
      Empty(o.v_);
    }
    return *this;
  }

  // A value of type vt whose field fill sets. The type is set after the
  // field, since a DECIMAL covers the type field too.
  template <typename Fill>
  static Variant typed(VARTYPE vt, Fill fill) {
    Variant r;
    fill(r.v_);
    r.v_.vt = vt;
    return r;
  }
  static Variant fromInt(LONG i) {
    return typed(VT_I4, [i](VARIANT& v) { v.lVal = i; });
  }
  static Variant fromDouble(double d) {
    return typed(VT_R8, [d](VARIANT& v) { v.dblVal = d; });
  }
  static Variant fromDate(DATE d) {
    return typed(VT_DATE, [d](VARIANT& v) { v.date = d; });
  }
  static Variant fromBool(bool b) {
    return typed(VT_BOOL, [b](VARIANT& v) { v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; });
  }
  static Variant fromBstr(Bstr b) {
    Variant r;
    r.v_.vt = VT_BSTR;
    r.v_.bstrVal = b.detach();
    if (!r.v_.bstrVal) r.v_.bstrVal = SysAllocStringLen(nullptr, 0);
    return r;
  }
  static Variant fromWide(const WideString& s) { return fromBstr(Bstr(s)); }
  static Variant fromAnsi(const std::string& s) { return fromBstr(Bstr::fromAnsi(s)); }
  static Variant fromUtf8(std::string_view s) { return fromBstr(Bstr::fromUtf8(s)); }
  // Takes a new reference to the object (a null object gives VT_DISPATCH null).
  static Variant fromDispatch(IDispatch* d) {
    Variant r;
    r.v_.vt = VT_DISPATCH;
    r.v_.pdispVal = d;
    if (d) d->AddRef();
    return r;
  }
  static Variant null() {
    Variant r;
    r.v_.vt = VT_NULL;
    return r;
  }
  // VT_ERROR DISP_E_PARAMNOTFOUND: how automation marks an omitted argument.
  static Variant omitted() {
    Variant r;
    r.v_.vt = VT_ERROR;
    r.v_.scode = DISP_E_PARAMNOTFOUND;
    return r;
  }
  // Adopts a VARIANT whose contents the caller owns; the source is emptied.
  static Variant attach(VARIANT& v) {
    Variant r;
    r.v_ = v;
    VariantInit(&v);
    return r;
  }
  // Hands the contents over to a VARIANT the caller owns (cleared first).
  void detachTo(VARIANT* out) {
    VariantClear(out);
    *out = v_;
    VariantInit(&v_);
  }

  void clear() { VariantClear(&v_); }
  // For out-parameters: clears and exposes the VARIANT.
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

  VARTYPE vt() const { return v_.vt; }
  bool isEmpty() const { return v_.vt == VT_EMPTY; }
  const VARIANT& get() const { return v_; }
  VARIANT& get() { return v_; }
  VARIANT* ptr() { return &v_; }
  const VARIANT* ptr() const { return &v_; }

 private:
  // A copy that ran out of memory must not pass for an empty value.
  static void Copied(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  }

  // Whether VariantClear could release something for this type: a BSTR, an
  // interface, an array or a record. Numbers, dates, booleans, error codes
  // and references own nothing; an unknown type goes to VariantClear.
  static bool MayOwn(VARTYPE vt) {
    if (vt & VT_BYREF) return false;
    if (vt & VT_ARRAY) return true;
    switch (vt) {
      case VT_EMPTY:
      case VT_NULL:
      case VT_I1:
      case VT_I2:
      case VT_I4:
      case VT_I8:
      case VT_INT:
      case VT_UI1:
      case VT_UI2:
      case VT_UI4:
      case VT_UI8:
      case VT_UINT:
      case VT_R4:
      case VT_R8:
      case VT_CY:
      case VT_DATE:
      case VT_BOOL:
      case VT_ERROR:
      case VT_DECIMAL:
        return false;
      default:
        return true;
    }
  }

  // What VariantInit does, without a call into the system library: values
  // are made and dropped at every late-bound call.
  static void Empty(VARIANT& v) {
    v.vt = VT_EMPTY;
    v.wReserved1 = v.wReserved2 = v.wReserved3 = 0;
  }

  VARIANT v_;
};

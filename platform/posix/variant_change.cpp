// VariantChangeType and VariantChangeTypeEx: the coercions of OLE Automation,
// as the component and the ADO layer use them. The source is read through one
// level of VT_BYREF; the destination is replaced only when the conversion
// succeeds, so a failed conversion in place leaves the value as it was.
#include "platform/posix/variant_change.h"

#include <cstring>

#include "platform/posix/vartype.h"

namespace qorvid::platform {
namespace {

bool IsValueType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

// What a VARIANT may hold at all: the value types, a VARIANT by reference,
// a record, and arrays and references of those.
bool IsVariantType(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  if (base == VT_VARIANT) return (vt & (VT_ARRAY | VT_BYREF)) != 0;
  if ((vt & (VT_ARRAY | VT_BYREF)) && (base == VT_EMPTY || base == VT_NULL)) return false;
  return IsValueType(base) || base == VT_RECORD;
}

// A by-value view of the source: a shallow copy, owning nothing.
HRESULT Dereference(const VARIANT& source, VARIANT* view) {
  if (!IsVariantType(source.vt)) return DISP_E_BADVARTYPE;
  if (!(source.vt & VT_BYREF) || (source.vt & VT_ARRAY)) {
    *view = source;
    return S_OK;
  }
  if (source.byref == nullptr) return DISP_E_TYPEMISMATCH;
  VARTYPE base = source.vt & VT_TYPEMASK;
  if (base == VT_VARIANT) {
    const VARIANT& inner = *source.pvarVal;
    if (inner.vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    return (inner.vt & VT_BYREF) ? Dereference(inner, view) : (*view = inner, S_OK);
  }
  std::memset(view, 0, sizeof *view);
  switch (base) {
    case VT_DECIMAL:
      view->decVal = *source.pdecVal;  // overlays the type code
      break;
    case VT_BSTR:
      view->bstrVal = *source.pbstrVal;
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      view->punkVal = *source.ppunkVal;
      break;
    default: {
      const size_t width = ScalarWidth(base);
      if (width == 0) return DISP_E_TYPEMISMATCH;
      std::memcpy(&view->ullVal, source.byref, width);
      break;
    }
  }
  view->vt = base;
  return S_OK;
}

Text BstrText(BSTR b) { return b ? Text(b, SysStringLen(b)) : Text(); }

// Text read as a number, date or boolean ends at an embedded NUL, as the
// C string oleaut32 parses does.
Text ParsedText(BSTR b) {
  Text text = BstrText(b);
  size_t nul = text.find(u'\0');
  if (nul != Text::npos) text.resize(nul);
  return text;
}

HRESULT StoreText(const Text& text, VARIANT* out) {
  BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (b == nullptr) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = b;
  return S_OK;
}

// The numeric reading of a value; DISP_E_TYPEMISMATCH for what has none.
HRESULT ToNumber(const VARIANT& v, const LocaleSettings& locale, Number* n) {
  // Integers, and VARIANT_BOOL as the 16-bit integer it is, read at their width.
  const VARTYPE asInteger = v.vt == VT_BOOL ? VARTYPE(VT_I2) : v.vt;
  if (const size_t width = IntegerWidth(asInteger)) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v.ullVal, width);
    const uint64_t all = AllOnes(width);
    const bool negative = IsSignedInteger(asInteger) && bits > all / 2;
    n->exact = ExactFromInteger(negative ? (0 - bits) & all : bits, negative);
    return S_OK;
  }
  switch (v.vt) {
    case VT_EMPTY:
      n->exact = ExactNumber();
      return S_OK;
    case VT_CY: {
      LONGLONG c = v.cyVal.int64;
      n->exact = ExactFromInteger(c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c),
                                  c < 0, -4);
      return S_OK;
    }
    case VT_DECIMAL:
      // A scale beyond 28 or sign bits other than the sign make no number.
      if (v.decVal.scale > 28 || (v.decVal.sign & ~DECIMAL_NEG) != 0) return E_INVALIDARG;
      n->exact = ExactFromDecimal(v.decVal);
      return S_OK;
    case VT_R4:
      n->isReal = true;
      n->isSingle = true;
      n->real = v.fltVal;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      n->isReal = true;
      n->real = v.dblVal;
      return S_OK;
    case VT_BSTR:
      return ParseNumberText(ParsedText(v.bstrVal), locale, &n->exact);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToText(const VARIANT& v, const LocaleSettings& locale, USHORT flags, VARIANT* out) {
  switch (v.vt) {
    case VT_EMPTY:
      return StoreText(Text(), out);
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL)
        return StoreText(v.boolVal ? Text(u"True") : Text(u"False"), out);
      break;
    case VT_R4:
      return StoreText(RealText(v.fltVal, 7, locale), out);
    case VT_R8:
      return StoreText(RealText(v.dblVal, 15, locale), out);
    case VT_DATE: {
      Text text;
      HRESULT hr = DateText(v.date, locale, (flags & VARIANT_USE_NLS) != 0, &text);
      return FAILED(hr) ? hr : StoreText(text, out);
    }
    case VT_BSTR:
      return StoreText(BstrText(v.bstrVal), out);
    default:
      break;
  }
  Number n;
  HRESULT hr = ToNumber(v, locale, &n);
  return FAILED(hr) ? hr : StoreText(ExactText(n.exact, locale), out);
}

bool EqualsIgnoringCase(const Text& text, const char* word) {
  size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    OLECHAR c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<OLECHAR>(c - u'A' + u'a');
    if (c != static_cast<OLECHAR>(word[i])) return false;
  }
  return i == text.size();
}

HRESULT ToBoolean(const VARIANT& v, const LocaleSettings& locale, VARIANT* out) {
  if (v.vt == VT_BSTR) {
    Text text = ParsedText(v.bstrVal);
    bool isTrue = EqualsIgnoringCase(text, "true") || text == u"#TRUE#";
    if (isTrue || EqualsIgnoringCase(text, "false") || text == u"#FALSE#") {
      out->vt = VT_BOOL;
      out->boolVal = isTrue ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ToNumber(v, locale, &n);
  if (FAILED(hr)) return hr;
  if (v.vt == VT_BSTR) {
    // Numeric text is read as a double first: beyond its range it overflows.
    double ignored;
    hr = NumberToDouble(n, &ignored);
    if (FAILED(hr)) return hr;
  }
  return NumberToVariant(n, VT_BOOL, out);
}

// Dispatch and unknown convert only into each other; a null stays null.
HRESULT ToInterface(const VARIANT& v, VARTYPE vt, VARIANT* out) {
  if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  IUnknown* object = v.punkVal;
  void* result = nullptr;
  if (object != nullptr) {
    HRESULT hr = object->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &result);
    if (FAILED(hr)) return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
  }
  out->vt = vt;
  out->punkVal = static_cast<IUnknown*>(result);
  if (vt == VT_DISPATCH) out->pdispVal = static_cast<IDispatch*>(result);
  return S_OK;
}

HRESULT Convert(VARIANT& v, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out);

// An object converts to a value through its value property (DISPID_VALUE).
// Only a VT_DISPATCH is asked: a VT_UNKNOWN has no value, even when the
// object behind it answers IDispatch, as in oleaut32.
HRESULT FromObject(const VARIANT& v, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out) {
  if (v.punkVal == nullptr) return DISP_E_TYPEMISMATCH;
  IDispatch* dispatch = nullptr;
  if (FAILED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
    return DISP_E_TYPEMISMATCH;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, &value,
                                nullptr, nullptr);
  dispatch->Release();
  // An object whose value is an object again has no value here.
  if (SUCCEEDED(hr) && value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN &&
      !(value.vt & (VT_BYREF | VT_ARRAY)))
    hr = Convert(value, lcid, flags, vt, out);
  else
    hr = DISP_E_TYPEMISMATCH;
  VariantClear(&value);
  return hr;
}

// A boolean stored in a narrower or unsigned integer keeps its 16 bits,
// sign-extended (VARIANT_TRUE is 255 as VT_UI1, 4294967295 as VT_UI4).
bool BooleanBits(const VARIANT& v, VARTYPE vt, VARIANT* out) {
  if (v.vt != VT_BOOL) return false;
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
      break;
    default:
      return false;
  }
  const int32_t bits = v.boolVal;
  StoreInteger(vt, bits < 0 ? 0u - static_cast<uint64_t>(bits) : static_cast<uint64_t>(bits),
               bits < 0, out);
  return true;
}

// Currency to VT_I8 has a rule of its own in oleaut32: a negative amount
// loses its fraction and then one more (-1 gives -2, -0.4 gives -1);
// positive ones round half to even.
bool CurrencyToI8(const VARIANT& v, VARTYPE vt, VARIANT* out) {
  if (v.vt != VT_CY || vt != VT_I8 || v.cyVal.int64 >= 0) return false;
  out->vt = VT_I8;
  out->llVal = v.cyVal.int64 / 10000 - 1;
  return true;
}

HRESULT Convert(VARIANT& v, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out) {
  if (v.vt == vt) return VariantCopy(out, &v);
  if (v.vt & (VT_ARRAY | VT_BYREF)) return DISP_E_TYPEMISMATCH;
  if (v.vt == VT_RECORD) return DISP_E_TYPEMISMATCH;
  if (v.vt == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if (vt == VT_NULL) {
    out->vt = VT_NULL;
    return S_OK;
  }
  if (v.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (vt == VT_EMPTY) return S_OK;
  // Between a signed and an unsigned integer of one width oleaut32 keeps the
  // bits (VT_I4 -1 is VT_UI4 4294967295) instead of checking the range.
  if (IntegerWidth(v.vt) != 0 && IntegerWidth(v.vt) == IntegerWidth(vt)) {
    *out = v;
    out->vt = vt;
    return S_OK;
  }
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return ToInterface(v, vt, out);
  if (v.vt == VT_DISPATCH) return FromObject(v, lcid, flags, vt, out);
  if (v.vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  if (BooleanBits(v, vt, out) || CurrencyToI8(v, vt, out)) return S_OK;
  // 64-bit integers become currency only strictly inside the range whose
  // bounds oleaut32 computes by truncation: +-922337203685477 overflow.
  if (v.vt == VT_I8 && vt == VT_CY &&
      (v.llVal <= -922337203685477LL || v.llVal >= 922337203685477LL))
    return DISP_E_OVERFLOW;

  const LocaleSettings& locale = LocaleSettingsFor(lcid);
  if (vt == VT_BSTR) return ToText(v, locale, flags, out);
  if (vt == VT_BOOL) return ToBoolean(v, locale, out);
  if (vt == VT_DATE && v.vt == VT_BSTR) {
    DATE date;
    HRESULT hr = ParseDateText(ParsedText(v.bstrVal), locale, &date);
    if (FAILED(hr)) return hr;
    out->vt = VT_DATE;
    out->date = date;
    return S_OK;
  }
  Number n;
  HRESULT hr = ToNumber(v, locale, &n);
  return FAILED(hr) ? hr : NumberToVariant(n, vt, out);
}

}  // namespace
}  // namespace qorvid::platform

extern "C" {

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) {
  using namespace qorvid::platform;
  if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
  // Targets: the value types. References, arrays, VARIANT and records are
  // types a value has, not one it converts to.
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return DISP_E_BADVARTYPE;
  if ((vt & (VT_ARRAY | VT_BYREF)) || (vt & VT_TYPEMASK) == VT_VARIANT ||
      (vt & VT_TYPEMASK) == VT_RECORD)
    return DISP_E_TYPEMISMATCH;
  if (!IsValueType(vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = Dereference(*pvarSrc, &view);
  if (FAILED(hr)) return hr;
  VARIANT result;
  VariantInit(&result);
  hr = Convert(view, lcid, wFlags, vt, &result);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  // Only now may the destination go: it may be the source itself.
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *pvargDest = result;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

}  // extern "C"

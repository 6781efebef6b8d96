// VARIANT lifetime: what a VARIANT owns (a BSTR, an interface reference, a
// SAFEARRAY) is copied or released here; what it only points at (VT_BYREF)
// is left alone.
#include <cstring>

#include "platform/posix/vartype.h"
#include "platform/win32.h"

using qorvid::platform::ScalarWidth;
using qorvid::platform::ValidateVariantType;

namespace {

void Reset(VARIANT* v) {
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

// Copies what `src` holds into the zeroed `dst`, duplicating owned values.
HRESULT CopyOwned(VARIANT* dst, const VARIANT* src) {
  HRESULT hr = ValidateVariantType(src->vt);
  if (FAILED(hr)) return hr;
  VARTYPE vt = src->vt;
  if (vt & VT_BYREF) {
    *dst = *src;
    return S_OK;
  }
  if (vt & VT_ARRAY) {
    SAFEARRAY* copy = nullptr;
    hr = SafeArrayCopy(src->parray, &copy);
    if (FAILED(hr)) return hr;
    dst->vt = vt;
    dst->parray = copy;
    return S_OK;
  }
  switch (vt) {
    case VT_BSTR:
      // Byte for byte (an odd byte length too); a null BSTR, being the
      // empty text, copies as an empty BSTR.
      dst->vt = VT_BSTR;
      dst->bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal),
                                           SysStringByteLen(src->bstrVal));
      if (!dst->bstrVal) {
        Reset(dst);
        return E_OUTOFMEMORY;
      }
      return S_OK;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      *dst = *src;
      if (dst->punkVal) dst->punkVal->AddRef();
      return S_OK;
    case VT_RECORD:
      // No record type can be described on this platform (IRecordInfo has
      // no implementation), so there is nothing that could be duplicated.
      return DISP_E_BADVARTYPE;
    default:
      // Plain values, VT_DECIMAL included: its 16 bytes overlay the whole
      // VARIANT, so the full copy is what keeps them.
      *dst = *src;
      return S_OK;
  }
}

// The value a by-reference VARIANT points at, as an owned VARIANT.
HRESULT CopyReferenced(VARIANT* dst, const VARIANT* src) {
  VARTYPE base = src->vt & ~VT_BYREF;
  if (!src->byref) return E_INVALIDARG;
  if (base == VT_VARIANT) {
    const VARIANT* inner = src->pvarVal;
    // A reference to a reference is not followed, as Windows refuses it.
    if (inner->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    return CopyOwned(dst, inner);
  }
  VARIANT tmp;
  Reset(&tmp);
  tmp.vt = base;
  if (base & VT_ARRAY) {
    tmp.parray = *src->pparray;
    return CopyOwned(dst, &tmp);
  }
  switch (base) {
    case VT_BSTR:
      tmp.bstrVal = *src->pbstrVal;
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      tmp.punkVal = *src->ppunkVal;
      break;
    case VT_DECIMAL:
      tmp.decVal = *src->pdecVal;
      tmp.vt = VT_DECIMAL;
      break;
    default: {
      const size_t width = ScalarWidth(base);
      if (width == 0) return DISP_E_BADVARTYPE;
      std::memcpy(&tmp.llVal, src->byref, width);
      break;
    }
  }
  return CopyOwned(dst, &tmp);
}

// VariantClear also takes VT_CLSID, which owns nothing.
HRESULT ValidateClearType(VARTYPE vt) {
  return (vt & VT_TYPEMASK) == VT_CLSID && !(vt & (VT_VECTOR | VT_RESERVED))
             ? S_OK
             : ValidateVariantType(vt);
}

}  // namespace

extern "C" {

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  HRESULT hr = ValidateClearType(pvarg->vt);
  if (FAILED(hr)) return hr;
  VARTYPE vt = pvarg->vt;
  if (!(vt & VT_BYREF)) {
    if (vt & VT_ARRAY) {
      hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;  // a locked array stays where it is
    } else if (vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
      if (pvarg->punkVal) pvarg->punkVal->Release();
    }
  }
  Reset(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  // Onto itself: nothing to do, but the type is checked as for a copy.
  if (pvargDest == pvargSrc) return ValidateClearType(pvargSrc->vt);
  HRESULT hr = ValidateVariantType(pvargSrc->vt);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  Reset(&copy);
  hr = CopyOwned(&copy, pvargSrc);
  if (FAILED(hr)) return hr;
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, VARIANTARG* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
  HRESULT hr = ValidateVariantType(pvargSrc->vt);
  if (FAILED(hr)) return hr;
  // Built aside first: the destination may be the source itself.
  VARIANT copy;
  Reset(&copy);
  hr = CopyReferenced(&copy, pvargSrc);
  if (FAILED(hr)) return hr;
  if (pvarDest != pvargSrc) {
    hr = VariantClear(pvarDest);
    if (FAILED(hr)) {
      VariantClear(&copy);
      return hr;
    }
  }
  *pvarDest = copy;
  return S_OK;
}

}  // extern "C"

// Which VARTYPEs a VARIANT or a SAFEARRAY may hold and how wide their values
// are, shared by the VARIANT and SAFEARRAY code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

namespace qorvid::platform {

// S_OK when `vt` (with its BYREF/ARRAY bits) may stand in a VARIANT,
// DISP_E_BADVARTYPE otherwise: VECTOR and RESERVED bits, the unused code 15,
// codes past VT_UINT other than VT_RECORD, and BYREF/ARRAY of EMPTY or NULL.
inline HRESULT ValidateVariantType(VARTYPE vt) {
  VARTYPE extra = vt & ~VT_TYPEMASK;
  VARTYPE base = vt & VT_TYPEMASK;
  if (extra & (VT_VECTOR | VT_RESERVED)) return DISP_E_BADVARTYPE;
  if (base >= VT_VOID && base != VT_RECORD) return DISP_E_BADVARTYPE;
  if (base == 15) return DISP_E_BADVARTYPE;
  if ((extra & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL) return DISP_E_BADVARTYPE;
  return S_OK;
}

// The bytes a value of a base type takes as a SAFEARRAY element or behind a
// VT_BYREF pointer; 0 for types with no value of their own.
inline size_t ValueWidth(VARTYPE vt) {
  static const size_t kWidths[] = {
      0,                // VT_EMPTY
      0,                // VT_NULL
      2,                // VT_I2
      4,                // VT_I4
      4,                // VT_R4
      8,                // VT_R8
      8,                // VT_CY
      8,                // VT_DATE
      sizeof(BSTR),     // VT_BSTR
      sizeof(void*),    // VT_DISPATCH
      4,                // VT_ERROR
      2,                // VT_BOOL
      sizeof(VARIANT),  // VT_VARIANT
      sizeof(void*),    // VT_UNKNOWN
      sizeof(DECIMAL),  // VT_DECIMAL
      0,                // 15, unused
      1,                // VT_I1
      1,                // VT_UI1
      2,                // VT_UI2
      4,                // VT_UI4
      8,                // VT_I8
      8,                // VT_UI8
      4,                // VT_INT
      4,                // VT_UINT
  };
  return vt < sizeof kWidths / sizeof kWidths[0] ? kWidths[vt] : 0;
}

// The bytes of a plain number type (the integers, reals, currency, date,
// error code and boolean), which copy as bits; 0 for the others.
inline size_t ScalarWidth(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
    case VT_DECIMAL:
      return 0;
    default:
      return ValueWidth(vt);
  }
}

// The bytes of an integer type, 0 for the others.
inline size_t IntegerWidth(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
      return ValueWidth(vt);
    default:
      return 0;
  }
}

// The bits of an integer of width bytes, all set.
inline uint64_t AllOnes(size_t width) {
  return width >= 8 ? UINT64_MAX : (uint64_t(1) << (8 * width)) - 1;
}

inline bool IsSignedInteger(VARTYPE vt) {
  return vt == VT_I1 || vt == VT_I2 || vt == VT_I4 || vt == VT_INT || vt == VT_I8;
}

}  // namespace qorvid::platform

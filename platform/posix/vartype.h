// Which VARTYPEs a VARIANT or a SAFEARRAY may hold, shared by the VARIANT
// and SAFEARRAY code.
#pragma once

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

}  // namespace qorvid::platform

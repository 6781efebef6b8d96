// The integer VARTYPEs read in one place: the component's literals and
// integer conversions and the console's value display all need the same
// widening of VT_I1 ... VT_UI8, and a second switch would drift.
#pragma once

#include "platform/win32.h"

namespace qorvid::platform {

// True when v holds an integer type (VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4,
// VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8), with its value widened to 64
// bits in integer; VT_UI8 gives its bit pattern, so a caller that writes it
// as a number asks for VT_UI8 first. False, integer untouched, for the rest.
inline bool IntegerOfVariant(const VARIANT& v, LONGLONG& integer) {
  switch (v.vt) {
    case VT_I1:
      integer = static_cast<signed char>(v.cVal);
      return true;
    case VT_UI1:
      integer = v.bVal;
      return true;
    case VT_I2:
      integer = v.iVal;
      return true;
    case VT_UI2:
      integer = v.uiVal;
      return true;
    case VT_I4:
      integer = v.lVal;
      return true;
    case VT_UI4:
      integer = v.ulVal;
      return true;
    case VT_INT:
      integer = v.intVal;
      return true;
    case VT_UINT:
      integer = v.uintVal;
      return true;
    case VT_I8:
    case VT_UI8:
      integer = v.llVal;
      return true;
    default:
      return false;
  }
}

}  // namespace qorvid::platform

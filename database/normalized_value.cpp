#include "database/normalized_value.h"

#include <cstdint>

Variant NormalizedValue(Variant value) {
  const VARIANT& v = value.get();
  switch (v.vt) {
    case VT_I1:
      return Variant::fromInt(static_cast<LONG>(static_cast<signed char>(v.cVal)));
    case VT_UI1:
      return Variant::fromInt(static_cast<LONG>(v.bVal));
    case VT_UI2:
      return Variant::fromInt(static_cast<LONG>(v.uiVal));
    case VT_UI4:
      if (v.ulVal <= static_cast<ULONG>(INT32_MAX))
        return Variant::fromInt(static_cast<LONG>(v.ulVal));
      return Variant::fromDouble(static_cast<double>(v.ulVal));
    case VT_I8:
      if (v.llVal >= INT32_MIN && v.llVal <= INT32_MAX)
        return Variant::fromInt(static_cast<LONG>(v.llVal));
      return Variant::fromDouble(static_cast<double>(v.llVal));
    default:
      return value;
  }
}

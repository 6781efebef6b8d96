#include "database/normalized_value.h"

#include <cstdint>

namespace qorvid {

namespace {
// A 64-bit integer as a DECIMAL, which holds it exactly and whose value text
// is its exact decimal text; a double would keep only 15 digits of it.
Variant ExactInteger(LONGLONG n) {
  const ULONGLONG magnitude =
      n < 0 ? static_cast<ULONGLONG>(-(n + 1)) + 1 : static_cast<ULONGLONG>(n);
  VARIANT v;
  VariantInit(&v);
  v.decVal.Hi32 = 0;
  v.decVal.Lo64 = magnitude;
  v.decVal.scale = 0;
  v.decVal.sign = n < 0 ? DECIMAL_NEG : 0;
  v.vt = VT_DECIMAL;  // after the fields: vt shares its bytes with the DECIMAL
  return Variant::attach(v);
}
}  // namespace

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
      return ExactInteger(v.llVal);
    default:
      return value;
  }
}

}  // namespace qorvid

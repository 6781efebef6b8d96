#include "ado/model/invoke_args.h"

#include <gtest/gtest.h>

#include "ado/model/ado_error.h"

namespace qorvid::ado {

namespace {

Variant Of(VARTYPE vt, void (*set)(VARIANT&)) {
  Variant v;
  v.get().vt = vt;
  set(v.get());
  return v;
}

// Every number type counts by its value, which must be whole and fit a
// LONG; booleans count as -1 and 0; other values as they convert.
TEST(ArgIntegerTest, TakesWholeNumbersInRangeOfEveryType) {
  const struct {
    const char* name;
    Variant value;
    bool fits;
    LONG want;
  } cases[] = {
      {"I1", Of(VT_I1, [](VARIANT& v) { v.cVal = -5; }), true, -5},
      {"UI2", Of(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }), true, 65535},
      {"UI4 at the top", Of(VT_UI4, [](VARIANT& v) { v.ulVal = 2147483647u; }), true, 2147483647},
      {"UI4 past it", Of(VT_UI4, [](VARIANT& v) { v.ulVal = 2147483648u; }), false, 0},
      {"I8 at the bottom", Of(VT_I8, [](VARIANT& v) { v.llVal = -2147483647LL - 1; }), true,
       -2147483647 - 1},
      {"UI8 huge", Of(VT_UI8, [](VARIANT& v) { v.ullVal = ~0ULL; }), false, 0},
      {"R8 whole", Variant::fromDouble(3.0), true, 3},
      {"R8 fraction", Variant::fromDouble(2.5), false, 0},
      {"R4 whole", Of(VT_R4, [](VARIANT& v) { v.fltVal = -4.0f; }), true, -4},
      {"true", Variant::fromBool(true), true, -1},
      {"false", Variant::fromBool(false), true, 0},
      {"text of a number", Variant::fromWide(OLESTR("12")), true, 12},
      {"text of none", Variant::fromWide(OLESTR("x")), false, 0},
      {"null", Variant::null(), false, 0},
  };
  for (const auto& c : cases) {
    if (!c.fits) {
      EXPECT_THROW(ArgInteger(c.value), AdoError) << c.name;
      continue;
    }
    EXPECT_EQ(c.want, ArgInteger(c.value)) << c.name;
  }
}

}  // namespace

}  // namespace qorvid::ado

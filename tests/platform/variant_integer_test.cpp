// The one integer reading of a VARIANT: each type is widened from its own
// width and sign, whatever the rest of the value's storage holds.
#include "platform/variant_integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using qorvid::platform::IntegerOfVariant;

// The storage is filled with ones first, so that a read of the wrong width
// or sign shows in the result.
VARIANT WithStorageOfOnes(VARTYPE vt, LONGLONG low_bytes, int width) {
  VARIANT v;
  VariantInit(&v);
  const ULONGLONG mask = width == 8 ? ~0ULL : (1ULL << (width * 8)) - 1;
  v.ullVal = ~mask | (static_cast<ULONGLONG>(low_bytes) & mask);
  v.vt = vt;
  return v;
}

TEST(VariantInteger, EachIntegerTypeIsWidenedFromItsOwnWidthAndSign) {
  struct Case {
    VARTYPE vt;
    int width;
    LONGLONG stored;
    LONGLONG expected;
  } cases[] = {
      {VT_I1, 1, -128, -128},
      {VT_I1, 1, 127, 127},
      {VT_UI1, 1, 0xFF, 255},
      {VT_I2, 2, -32768, -32768},
      {VT_UI2, 2, 0xFFFF, 65535},
      {VT_I4, 4, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()},
      {VT_UI4, 4, 0xFFFFFFFFLL, 4294967295LL},
      {VT_INT, 4, -1, -1},
      {VT_UINT, 4, 0xFFFFFFFFLL, 4294967295LL},
      {VT_I8, 8, std::numeric_limits<LONGLONG>::min(), std::numeric_limits<LONGLONG>::min()},
      {VT_UI8, 8, -1, -1},  // the bit pattern of the largest VT_UI8
      {VT_UI1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    VARIANT v = WithStorageOfOnes(c.vt, c.stored, c.width);
    LONGLONG integer = 42;
    ASSERT_TRUE(IntegerOfVariant(v, integer)) << "vt " << c.vt;
    EXPECT_EQ(integer, c.expected) << "vt " << c.vt << " stored " << c.stored;
  }
}

TEST(VariantInteger, OtherTypesAreNoIntegerAndLeaveTheResultAlone) {
  const VARTYPE others[] = {VT_EMPTY, VT_NULL, VT_R4,       VT_R8,
                            VT_CY,    VT_DATE, VT_BOOL,     VT_DECIMAL,
                            VT_ERROR, VT_BSTR, VT_DISPATCH, static_cast<VARTYPE>(VT_BYREF | VT_I4)};
  for (VARTYPE vt : others) {
    VARIANT v = WithStorageOfOnes(vt, 0, 8);
    LONGLONG integer = 42;
    EXPECT_FALSE(IntegerOfVariant(v, integer)) << "vt " << vt;
    EXPECT_EQ(integer, 42) << "vt " << vt;
  }
}

}  // namespace

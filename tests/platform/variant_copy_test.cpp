// VARIANT ownership: copies duplicate what a VARIANT owns and clears release
// it, exactly once; by-reference VARIANTs own nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/platform/counting_unknown.h"

namespace {

using platform_test::CountingUnknown;

TEST(VariantCopy, InterfaceReferencesBalance) {
  const VARTYPE kinds[] = {VT_UNKNOWN, VT_DISPATCH};
  for (VARTYPE vt : kinds) {
    CountingUnknown obj;
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = vt;
    src.punkVal = &obj;  // adopts the test's reference
    obj.AddRef();
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
    EXPECT_EQ(obj.refs, 3);
    EXPECT_EQ(dst.punkVal, &obj);
    // Copying over a held interface releases it first.
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
    EXPECT_EQ(obj.refs, 3);
    EXPECT_EQ(VariantClear(&dst), S_OK);
    EXPECT_EQ(VariantClear(&src), S_OK);
    EXPECT_EQ(obj.refs, 1) << "vt " << vt;
    EXPECT_EQ(dst.vt, VT_EMPTY);
  }
}

TEST(VariantCopy, NullInterfaceIsCopiedAsNull) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_DISPATCH;
  src.pdispVal = nullptr;
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_DISPATCH);
  EXPECT_EQ(dst.pdispVal, nullptr);
  EXPECT_EQ(VariantClear(&dst), S_OK);
}

TEST(VariantCopy, BstrIsDuplicatedWithEmbeddedNuls) {
  const OLECHAR text[] = {'x', 0, 'y'};
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(text, 3);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  ASSERT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  ASSERT_EQ(SysStringLen(dst.bstrVal), 3u);
  EXPECT_EQ(std::memcmp(dst.bstrVal, text, sizeof text), 0);
  VariantClear(&src);
  EXPECT_EQ(dst.bstrVal[2], 'y');  // still alive after the source is gone
  VariantClear(&dst);
}

TEST(VariantCopy, ByReferenceIsNotOwned) {
  CountingUnknown obj;
  IUnknown* slot = &obj;
  VARIANT ref, dst;
  VariantInit(&ref);
  VariantInit(&dst);
  ref.vt = VT_UNKNOWN | VT_BYREF;
  ref.ppunkVal = &slot;
  ASSERT_EQ(VariantCopy(&dst, &ref), S_OK);
  EXPECT_EQ(dst.ppunkVal, &slot);
  EXPECT_EQ(obj.refs, 1);
  EXPECT_EQ(VariantClear(&dst), S_OK);
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(obj.refs, 1);
}

TEST(VariantCopyInd, DereferencesIntoAnOwnedValue) {
  CountingUnknown obj;
  IUnknown* unk = &obj;
  BSTR text = SysAllocString(OLESTR("abc"));
  LONG number = 42;
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_I4;
  inner.lVal = 7;

  VARIANT ref, dst;
  VariantInit(&ref);
  VariantInit(&dst);

  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &number;
  ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
  EXPECT_EQ(dst.vt, VT_I4);
  EXPECT_EQ(dst.lVal, 42);

  ref.vt = VT_BSTR | VT_BYREF;
  ref.pbstrVal = &text;
  ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, text);
  EXPECT_EQ(SysStringLen(dst.bstrVal), 3u);

  ref.vt = VT_UNKNOWN | VT_BYREF;
  ref.ppunkVal = &unk;
  ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
  EXPECT_EQ(dst.vt, VT_UNKNOWN);
  EXPECT_EQ(obj.refs, 2);

  ref.vt = VT_VARIANT | VT_BYREF;
  ref.pvarVal = &inner;
  ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
  EXPECT_EQ(obj.refs, 1);  // the earlier copy was released
  EXPECT_EQ(dst.vt, VT_I4);
  EXPECT_EQ(dst.lVal, 7);

  // In place: the reference is replaced by its value.
  ref.vt = VT_BSTR | VT_BYREF;
  ref.pbstrVal = &text;
  ASSERT_EQ(VariantCopyInd(&ref, &ref), S_OK);
  EXPECT_EQ(ref.vt, VT_BSTR);
  EXPECT_NE(ref.bstrVal, text);
  VariantClear(&ref);
  VariantClear(&dst);
  SysFreeString(text);
}

TEST(VariantCopy, DecimalKeepsAllSixteenBytes) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.decVal.scale = 2;
  src.decVal.sign = DECIMAL_NEG;
  src.decVal.Hi32 = 0x01020304;
  src.decVal.Lo64 = 0x1122334455667788ULL;
  src.vt = VT_DECIMAL;
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_DECIMAL);
  EXPECT_EQ(dst.decVal.scale, 2);
  EXPECT_EQ(dst.decVal.sign, DECIMAL_NEG);
  EXPECT_EQ(dst.decVal.Hi32, 0x01020304u);
  EXPECT_EQ(dst.decVal.Lo64, 0x1122334455667788ULL);
}

TEST(VariantCopy, ArrayIsCopiedDeeply) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
  LONG i = 0;
  BSTR text = SysAllocString(OLESTR("row"));
  ASSERT_EQ(SafeArrayPutElement(psa, &i, text), S_OK);
  SysFreeString(text);
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_ARRAY | VT_BSTR;
  src.parray = psa;
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  ASSERT_NE(dst.parray, psa);
  EXPECT_EQ(VariantClear(&src), S_OK);
  BSTR got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(dst.parray, &i, &got), S_OK);
  EXPECT_EQ(SysStringLen(got), 3u);
  SysFreeString(got);
  EXPECT_EQ(VariantClear(&dst), S_OK);
}

TEST(VariantCopy, BadTypesAreRefused) {
  const VARTYPE bad[] = {
      15, VT_VECTOR | VT_I4, VT_RESERVED | VT_I4, VT_BYREF | VT_EMPTY, VT_ARRAY | VT_NULL, 0x0FFF};
  for (VARTYPE vt : bad) {
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = vt;
    EXPECT_EQ(VariantCopy(&dst, &src), DISP_E_BADVARTYPE) << "vt " << vt;
    EXPECT_EQ(VariantClear(&src), DISP_E_BADVARTYPE) << "vt " << vt;
    EXPECT_EQ(src.vt, vt) << "left as it was";
  }
}

}  // namespace

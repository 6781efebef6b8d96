// SAFEARRAY: elements are copied in and out like Windows copies them, bounds
// are checked, and destruction releases what the elements own.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/platform/counting_unknown.h"

namespace {

using platform_test::CountingUnknown;

TEST(SafeArray, VectorBoundsAndBadIndex) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 1, 3);
  ASSERT_NE(psa, nullptr);
  LONG lo = 0, hi = 0;
  EXPECT_EQ(SafeArrayGetDim(psa), 1u);
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lo), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &hi), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 3);
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lo), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(psa, 0, &hi), DISP_E_BADINDEX);

  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = 5;
  for (LONG bad : {0L, 4L, -1L}) {
    LONG i = bad;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), DISP_E_BADINDEX) << bad;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &v), DISP_E_BADINDEX) << bad;
  }
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, EmptyVectorHasUpperBoundBelowLower) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  ASSERT_NE(psa, nullptr);
  LONG hi = 0;
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &hi), S_OK);
  EXPECT_EQ(hi, -1);
  LONG i = 0;
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(SafeArrayGetElement(psa, &i, &v), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, VariantElementsAreCopiedBothWays) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT in;
  VariantInit(&in);
  in.vt = VT_BSTR;
  in.bstrVal = SysAllocString(OLESTR("value"));
  LONG i = 1;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, &in), S_OK);
  VariantClear(&in);  // the array holds its own copy

  VARIANT out1, out2;
  VariantInit(&out1);
  VariantInit(&out2);
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out1), S_OK);
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out2), S_OK);
  ASSERT_EQ(out1.vt, VT_BSTR);
  EXPECT_NE(out1.bstrVal, out2.bstrVal);
  EXPECT_EQ(SysStringLen(out1.bstrVal), 5u);
  VariantClear(&out1);
  VariantClear(&out2);

  i = 0;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out1), S_OK);
  EXPECT_EQ(out1.vt, VT_EMPTY) << "unset elements start empty";
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, BstrElementsArePassedByValueAndCopied) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
  BSTR text = SysAllocString(OLESTR("abc"));
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, text), S_OK);
  text[0] = 'X';  // the array must not share the caller's string
  BSTR got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[0], 'a');
  EXPECT_NE(got, text);
  // Replacing an element frees the old one (checked by the leak checker).
  ASSERT_EQ(SafeArrayPutElement(psa, &i, text), S_OK);
  SysFreeString(got);
  SysFreeString(text);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, InterfaceElementsHoldOneReferenceEach) {
  CountingUnknown a, b;
  SAFEARRAY* psa = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, static_cast<IUnknown*>(&a)), S_OK);
  EXPECT_EQ(a.refs, 2);
  ASSERT_EQ(SafeArrayPutElement(psa, &i, static_cast<IUnknown*>(&b)), S_OK);
  EXPECT_EQ(a.refs, 1);
  EXPECT_EQ(b.refs, 2);
  IUnknown* got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);
  EXPECT_EQ(got, &b);
  EXPECT_EQ(b.refs, 3);
  got->Release();
  i = 1;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, static_cast<IUnknown*>(&a)), S_OK);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  EXPECT_EQ(a.refs, 1);
  EXPECT_EQ(b.refs, 1);
}

TEST(SafeArray, VartypeAndFeatureFlags) {
  struct Case {
    VARTYPE vt;
    USHORT flag;
    ULONG size;
  } cases[] = {
      {VT_UI1, FADF_HAVEVARTYPE, 1},
      {VT_I4, FADF_HAVEVARTYPE, 4},
      {VT_BSTR, FADF_BSTR, sizeof(BSTR)},
      {VT_VARIANT, FADF_VARIANT, sizeof(VARIANT)},
      {VT_UNKNOWN, FADF_UNKNOWN, sizeof(IUnknown*)},
      {VT_DISPATCH, FADF_DISPATCH, sizeof(IDispatch*)},
  };
  for (const Case& c : cases) {
    SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 0, 2);
    ASSERT_NE(psa, nullptr) << c.vt;
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    EXPECT_TRUE(psa->fFeatures & c.flag) << "vt " << c.vt << " features " << psa->fFeatures;
    EXPECT_EQ(SafeArrayGetElemsize(psa), c.size);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
    EXPECT_EQ(vt, c.vt) << "copy keeps the element type";
    SafeArrayDestroy(copy);
    SafeArrayDestroy(psa);
  }
}

TEST(SafeArray, LockedArrayCannotBeDestroyed) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  std::memcpy(data, "\x01\x02\x03\x04", 4);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = psa;
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnlock(psa), E_UNEXPECTED) << "not locked any more";

  BYTE b = 0;
  LONG i = 2;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &b), S_OK);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(SafeArray, FirstIndexVariesFastest) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 10}};
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  LONG lo = 0, hi = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lo), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &hi), S_OK);
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 12);
  for (LONG r = 0; r < 2; ++r)
    for (LONG c = 10; c < 13; ++c) {
      LONG idx[2] = {r, c};
      LONG value = r * 100 + c;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  LONG* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
  EXPECT_EQ(data[0], 10);
  EXPECT_EQ(data[1], 110);
  EXPECT_EQ(data[2], 11);
  EXPECT_EQ(data[5], 112);
  SafeArrayUnaccessData(psa);
  LONG out[2] = {2, 10};
  LONG value = 0;
  EXPECT_EQ(SafeArrayGetElement(psa, out, &value), DISP_E_BADINDEX);
  SafeArrayDestroy(psa);
}

TEST(SafeArray, NullArgumentsAreHandled) {
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(1);
  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
  LONG i = 0;
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(SafeArrayGetElement(nullptr, &i, &v), E_INVALIDARG);
  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
}

}  // namespace

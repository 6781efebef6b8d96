// GUIDs to text and back.
#include <gtest/gtest.h>

#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

WideString Text(REFGUID g) {
  OLECHAR buf[64];
  int n = StringFromGUID2(g, buf, 64);
  return n > 0 ? WideString(buf, n - 1) : WideString();
}

TEST(GuidText, WellKnownValuesInUpperCase) {
  EXPECT_EQ(Text(IID_IDispatch), WideString(OLESTR("{00020400-0000-0000-C000-000000000046}")));
  EXPECT_EQ(Text(IID_IErrorLog), WideString(OLESTR("{3127CA40-446E-11CE-8135-00AA004BB851}")));
  EXPECT_EQ(Text(IID_ISupportErrorInfo),
            WideString(OLESTR("{DF0B3D60-548F-101B-8E65-08002B2BD119}")));
  EXPECT_EQ(Text(GUID_NULL), WideString(OLESTR("{00000000-0000-0000-0000-000000000000}")));
}

TEST(GuidText, BufferSizeCountsTheNul) {
  OLECHAR buf[39];
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buf, 39), 39);
  EXPECT_EQ(buf[38], 0);
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buf, 38), 0);
}

TEST(GuidText, RoundTripInEitherCase) {
  const GUID g = {0x89ABCDEF, 0x0123, 0xFEDC, {0xBA, 0x98, 0x76, 0x54, 0x32, 0x10, 0xAA, 0x55}};
  CLSID back;
  ASSERT_EQ(CLSIDFromString(Text(g).c_str(), &back), S_OK);
  EXPECT_TRUE(IsEqualGUID(back, g));
  IID iid;
  ASSERT_EQ(IIDFromString(OLESTR("{89abcdef-0123-fedc-ba98-76543210aa55}"), &iid), S_OK);
  EXPECT_TRUE(IsEqualGUID(iid, g));
}

TEST(GuidText, MalformedClassStrings) {
  const OLECHAR* bad[] = {
      OLESTR("89ABCDEF-0123-FEDC-BA98-76543210AA55"),     // no braces
      OLESTR("{89ABCDEF-0123-FEDC-BA98-76543210AA55"),    // no closing brace
      OLESTR("{89ABCDEG-0123-FEDC-BA98-76543210AA55}"),   // not hex
      OLESTR("{89ABCDEF-0123-FEDC-BA9876543210AA55}"),    // missing dash
      OLESTR("{89ABCDEF-0123-FEDC-BA98-76543210AA55}x"),  // trailing text
      OLESTR("{89ABCDEF-0123-FEDC-BA98-76543210AA5}"),    // short
      OLESTR("Not.A.Registered.ProgId.qorvid"),
  };
  for (const OLECHAR* s : bad) {
    CLSID c;
    EXPECT_EQ(CLSIDFromString(s, &c), CO_E_CLASSSTRING) << std::string(s, s + 8);
  }
}

}  // namespace

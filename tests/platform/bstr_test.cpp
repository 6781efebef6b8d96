// BSTR allocation: lengths come from the prefix, so embedded NULs survive.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"

namespace {

TEST(Bstr, LengthsComeFromThePrefixNotTheText) {
  const OLECHAR text[] = {'a', 0, 'b', 0, 'c'};
  struct Case {
    const OLECHAR* src;
    UINT len;
  } cases[] = {{text, 5}, {text, 1}, {text, 2}, {text, 0}};
  for (const Case& c : cases) {
    BSTR b = SysAllocStringLen(c.src, c.len);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), c.len);
    EXPECT_EQ(SysStringByteLen(b), c.len * sizeof(OLECHAR));
    EXPECT_EQ(std::memcmp(b, c.src, c.len * sizeof(OLECHAR)), 0);
    EXPECT_EQ(b[c.len], 0) << "NUL terminated after " << c.len;
    SysFreeString(b);
  }
}

TEST(Bstr, NullAndEmptyAreDistinct) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);  // must be harmless

  BSTR empty = SysAllocString(OLESTR(""));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], 0);
  SysFreeString(empty);
}

TEST(Bstr, NullSourceGivesAZeroedBufferOfThatLength) {
  BSTR b = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 4u);
  EXPECT_EQ(b[4], 0);
  SysFreeString(b);
}

TEST(Bstr, ByteLengthMayBeOdd) {
  BSTR b = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringByteLen(b), 3u);
  EXPECT_EQ(SysStringLen(b), 1u);
  EXPECT_EQ(std::memcmp(b, "abc", 3), 0);
  EXPECT_EQ(reinterpret_cast<const char*>(b)[3], 0);
  SysFreeString(b);
}

TEST(Bstr, ReallocationMayReuseItsOwnText) {
  BSTR b = SysAllocString(OLESTR("hello world"));
  ASSERT_TRUE(SysReAllocString(&b, b + 6));
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(std::memcmp(b, OLESTR("world"), 5 * sizeof(OLECHAR)), 0);

  ASSERT_TRUE(SysReAllocStringLen(&b, b, 3));
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(std::memcmp(b, OLESTR("wor"), 3 * sizeof(OLECHAR)), 0);
  SysFreeString(b);
}

}  // namespace

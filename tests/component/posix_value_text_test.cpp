// Value text follows the user's regional settings (set per process here).
#include <gtest/gtest.h>

#include "automation/automation.h"

namespace qorvid {

namespace {

struct UserLocale {
  explicit UserLocale(LCID lcid) : before_(GetUserDefaultLCID()) { PlatformSetUserLocale(lcid); }
  ~UserLocale() { PlatformSetUserLocale(before_); }
  LCID before_;
};

TEST(ValueTextLocale, NumbersAreWrittenTheUsersWay) {
  const struct {
    LCID lcid;
    const char* half;
  } cases[] = {{0x0419, "2,5"}, {0x0409, "2.5"}};
  for (const auto& k : cases) {
    UserLocale locale(k.lcid);
    EXPECT_EQ(ValueText(Variant::fromDouble(2.5)), k.half) << k.lcid;
    EXPECT_EQ(ValueText(Variant::fromInt(-12)), "-12");
    EXPECT_EQ(IntegerValue(Variant::fromUtf8("12")), 12);
  }
}

}  // namespace

}  // namespace qorvid

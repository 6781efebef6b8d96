// Member names match as the ANSI code page of the moment widens them: a
// process whose code page changes finds names as that page reads them.
#include <gtest/gtest.h>

#include "automation/cp1251.h"
#include "tests/component/component_fixture.h"

namespace qorvid {

namespace {

struct AnsiCodePage {
  explicit AnsiCodePage(UINT page) : before_(GetACP()) { PlatformSetAnsiCodePage(page); }
  ~AnsiCodePage() { PlatformSetAnsiCodePage(before_); }
  UINT before_;
};

long FindByWide(TestComponent& c, const WideString& name) {
  long number = -1;
  c.extension->FindMethod(Bstr(name).get(), &number);
  return number;
}

TEST(MemberLookup, FollowsTheAnsiCodePageOfTheCall) {
  TestComponent c;
  const WideString cyrillic = {0x0412, 0x044B, 0x043F, 0x043E, 0x043B,
                               0x043D, 0x0438, 0x0442, 0x044C};  // Выполнить
  const long execute = c.method("Execute");
  const struct {
    UINT page;
    long cyrillicFinds;  // the name in Cyrillic letters
  } cases[] = {{1251, execute}, {1252, -1}, {1251, execute}};
  for (const auto& k : cases) {
    AnsiCodePage page(k.page);
    EXPECT_EQ(FindByWide(c, cyrillic), k.cyrillicFinds) << k.page;
    // The table's bytes as this page widens them always find the row.
    EXPECT_EQ(FindByWide(c, WideFromAnsi(CP1251("Выполнить"))), execute) << k.page;
  }
}

}  // namespace

}  // namespace qorvid

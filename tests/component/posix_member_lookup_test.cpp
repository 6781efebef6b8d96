// Member names are found whatever the ANSI code page of the process, and
// whenever it changes: the names are Unicode, not text in a code page.
#include <gtest/gtest.h>

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

TEST(MemberLookup, FindsRussianNamesUnderEveryCodePage) {
  TestComponent c;
  const WideString cyrillic = {0x0412, 0x044B, 0x043F, 0x043E, 0x043B,
                               0x043D, 0x0438, 0x0442, 0x044C};  // Выполнить
  const long execute = c.method("Execute");
  for (UINT page : {1251u, 1252u, 65001u, 1251u}) {
    AnsiCodePage set(page);
    EXPECT_EQ(FindByWide(c, cyrillic), execute) << page;
    EXPECT_EQ(FindByWide(c, OLESTR("Execute")), execute) << page;
    // Cyrillic that a cp1252 reading of the cp1251 bytes would give.
    EXPECT_EQ(FindByWide(c, OLESTR("Âûïîëíèòü")), -1) << page;
  }
}

}  // namespace

}  // namespace qorvid

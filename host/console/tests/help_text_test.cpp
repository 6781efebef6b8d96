// The help text: every console command is in it, and the connection strings
// of this platform line up.
#include "host/console/help_text.h"

#include <gtest/gtest.h>

#include "host/console/script_syntax.h"

namespace qorvid::host {

namespace {

TEST(HelpText, NamesEveryConsoleCommand) {
  for (const char* const* c = kConsoleCommands; *c; ++c)
    EXPECT_NE(HelpText().find(std::string("  ") + *c), std::string::npos) << *c;
}

TEST(HelpText, AlignsTheConnectionStringsOfThisPlatform) {
  const std::string& text = HelpText();
  size_t column = 0;
  for (const ConnectionExample* e = kConnectionExamples; e->text; ++e) {
    const size_t at = text.find(std::string("  ") + e->text);
    ASSERT_NE(at, std::string::npos) << e->text;
    // The description starts in the same column, on this line or the next.
    const size_t what = text.find(e->what, at);
    ASSERT_NE(what, std::string::npos) << e->what;
    const size_t lineStart = text.rfind('\n', what) + 1;
    if (column == 0) column = what - lineStart;
    EXPECT_EQ(what - lineStart, column) << e->text;
  }
  EXPECT_GT(column, 0u);
}

}  // namespace

}  // namespace qorvid::host

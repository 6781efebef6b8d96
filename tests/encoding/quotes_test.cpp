#include "encoding/quotes.h"

#include <gtest/gtest.h>

namespace qorvid {

namespace {

TEST(EscapeQuotes, DoublesOnlyItsOwnQuote) {
  const struct {
    const char* text;
    const char* single;
    const char* dbl;
  } cases[] = {
      {"", "", ""},
      {"plain", "plain", "plain"},
      {"it's", "it''s", "it's"},
      {"''", "''''", "''"},
      {"say \"hi\"", "say \"hi\"", "say \"\"hi\"\""},
      {"'\"'", "''\"''", "'\"\"'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeSingleQuotes(c.text), c.single) << c.text;
    EXPECT_EQ(EscapeDoubleQuotes(c.text), c.dbl) << c.text;
    EXPECT_EQ(QuotedSqlString(c.text), "'" + std::string(c.single) + "'") << c.text;
  }
}

TEST(EscapeQuotes, KeepsEmbeddedNulAndHighBytes) {
  const std::string text("a\0'\xE9", 4);
  EXPECT_EQ(EscapeSingleQuotes(text), std::string("a\0''\xE9", 5));
}

}  // namespace

}  // namespace qorvid

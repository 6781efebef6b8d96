// The text of the message box shown when an object cannot be constructed.
#include "server/construction_error.h"

#include <gtest/gtest.h>


namespace qorvid {

namespace {

TEST(ConstructionErrorText, FullStopAfterCharactersThatSortAfterIt) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const Case cases[] = {
      {"Out of memory", "Out of memory."},
      {"Error 42", "Error 42."},
      {"Already ends.", "Already ends."},
      {"Exclaims!", "Exclaims!"},  // '!' sorts before '.'
      {"(closed)", "(closed)"},    // so does ')'
      {"dash-", "dash-"},          // and '-'
      {"path/", "path/."},         // '/' sorts after it
      {"trailing ", "trailing "},
      {"", ""},
      // Cyrillic letters of the ANSI code page are bytes above 0x7F.
      {std::string("Ошибка"), std::string("Ошибка.")},
  };
  for (const Case& c : cases) EXPECT_EQ(ConstructionErrorText(c.message), c.shown) << c.message;
}

}  // namespace

}  // namespace qorvid

#include "host/console/completion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace qorvid::host {

namespace {

std::string Joined(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += (out.empty() ? "" : " ") + s;
  return out;
}

TEST(Completion, OffersMembersCommandsAndValuesWhereTheyFit) {
  const std::vector<std::string> members = {"Execute", "Выполнить", "GetField", "GetFieldAsObject",
                                            "EOF"};
  const struct {
    const char* before;
    const char* offered;
    size_t start;
  } cases[] = {
      {"Exe", "Execute", 0},
      {"  Get", "GetField GetFieldAsObject", 2},
      {"Вып", "Выполнить", 0},
      {".ta", ".table .tables", 0},
      {".rea", ".read", 0},
      {".",
       ".exit .help .members .mode .open .output .quit .read .reopen .schema .table .tables .timer",
       0},
      {"Bind(Da", "Date", 5},     // a value, inside the arguments
      {"Execute(\"SEL", "", 12},  // inside a text: nothing
      {"xyz", "", 0},
  };
  for (const auto& c : cases) {
    size_t start = 99;
    EXPECT_EQ(Joined(CompleteWord(c.before, members, start)), c.offered) << c.before;
    EXPECT_EQ(start, c.start) << c.before;
  }
}

TEST(Completion, OffersFileNamesAfterOpen) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "qorvid_completion_test";
  fs::remove_all(dir);
  fs::create_directories(dir / "data");
  std::ofstream(dir / "shop.db").put('x');
  std::ofstream(dir / "shelf.db").put('x');
  const std::string base = dir.string() + "/";
  size_t start = 0;
  EXPECT_EQ(Joined(CompleteWord(".open " + base + "sh", {}, start)),
            base + "shelf.db " + base + "shop.db");
  EXPECT_EQ(start, 6u);
  EXPECT_EQ(Joined(CompleteWord(".open " + base + "d", {}, start)), base + "data/");
  // .read and .output take file names too.
  EXPECT_EQ(Joined(CompleteWord(".read " + base + "sho", {}, start)), base + "shop.db");
  EXPECT_EQ(start, 6u);
  EXPECT_EQ(Joined(CompleteWord(".output \"" + base + "sho", {}, start)), base + "shop.db");
  EXPECT_EQ(start, 9u);
  fs::remove_all(dir);
}

TEST(Completion, CommonStartKeepsWholeCharacters) {
  EXPECT_EQ(CommonStart({"GetField", "GetFieldAsObject"}), "GetField");
  EXPECT_EQ(CommonStart({"Выполнить", "Время"}), "В");  // never half of a Cyrillic letter
  EXPECT_EQ(CommonStart({}), "");
}

}  // namespace

}  // namespace qorvid::host

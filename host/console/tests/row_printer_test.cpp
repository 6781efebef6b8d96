// Rows printed as they come: what each layout writes, and the table
// layout's widths taken from a first window of rows.
#include "host/console/row_printer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qorvid::host {

namespace {

std::string Printed(RowPrinter::Layout layout, const std::vector<std::vector<std::string>>& rows) {
  std::ostringstream out;
  RowPrinter printer(out, layout, {"Code", "Имя"});
  for (const auto& row : rows) printer.add(row);
  printer.finish();
  return out.str();
}

TEST(RowPrinter, WritesEachLayout) {
  const std::vector<std::vector<std::string>> rows = {{"1", "Bolt"}, {"22", "Гайка, \"M5\""}};
  const struct {
    RowPrinter::Layout layout;
    const char* printed;
  } cases[] = {
      // Widths count what a terminal shows: Cyrillic letters are one column each.
      {RowPrinter::Table, "Code | Имя\n-----+------------\n1    | Bolt\n22   | Гайка, \"M5\"\n"},
      {RowPrinter::Csv, "Code,Имя\n1,Bolt\n22,\"Гайка, \"\"M5\"\"\"\n"},
      {RowPrinter::Line, "Code = 1\n Имя = Bolt\n\nCode = 22\n Имя = Гайка, \"M5\"\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Printed(c.layout, rows), c.printed) << c.layout;
  // No rows: the table still has its header.
  EXPECT_EQ(Printed(RowPrinter::Table, {}), "Code | Имя\n-----+----\n");
}

TEST(RowPrinter, AlignsColumnsByTheColumnsTextsTakeOnATerminal) {
  std::ostringstream out;
  RowPrinter printer(out, RowPrinter::Table, {"x", "n"});
  // CJK and the emoji take two columns each, the combining accent none.
  for (const char* text : {"日本語", "😀 ok", "cafe\xCC\x81", "қазақ"}) printer.add({text, "1"});
  printer.finish();
  EXPECT_EQ(out.str(),
            "x      | n\n-------+--\n日本語 | 1\n😀 ok  | 1\ncafe\xCC\x81   | 1\nқазақ  | 1\n");
}

TEST(RowPrinter, TakesWidthsFromTheFirstWindowAndWidensLater) {
  std::ostringstream out;
  RowPrinter printer(out, RowPrinter::Table, {"n", "name"});
  for (size_t i = 0; i < RowPrinter::kWindow; ++i) printer.add({"1", "ab"});
  // The window is full: its rows are out before the result ends.
  const std::string head = out.str();
  EXPECT_EQ(head.substr(0, 17), "n | name\n--+-----");
  EXPECT_NE(head.find("1 | ab\n"), std::string::npos);
  printer.add({"12345", "x"});  // wider than the window: its column grows from here
  printer.add({"1", "y"});
  printer.finish();
  const std::string tail = out.str().substr(head.size());
  EXPECT_EQ(tail, "12345 | x\n1     | y\n");
}

}  // namespace

}  // namespace qorvid::host

// Rows as they are read, so that a long result shows at once and is never
// held whole. CSV and line layouts print each row as it comes; the table
// layout takes its column widths from a first window of rows (or what came
// within a quarter of a second) and afterwards widens a column only for a
// longer value.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace qorvid::host {

// The text followed by blanks up to the width a terminal gives it.
std::string PadToWidth(const std::string& text, size_t width);

class RowPrinter {
 public:
  enum Layout { Table, Csv, Line };
  static constexpr size_t kWindow = 100;

  RowPrinter(std::ostream& out, Layout layout, std::vector<std::string> names);
  void add(std::vector<std::string> row);
  // Prints what the window still holds.
  void finish();

 private:
  void flushWindow();
  void line(const std::vector<std::string>& row);
  void fields(const std::vector<std::string>& row);

  std::ostream& out_;
  Layout layout_;
  std::vector<std::string> names_;
  std::vector<size_t> width_;
  std::vector<std::vector<std::string>> window_;
  bool started_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace qorvid::host

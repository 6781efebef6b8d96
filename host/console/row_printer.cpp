#include "host/console/row_printer.h"

#include <algorithm>

#include "host/console/utf.h"

namespace qorvid::host {

namespace {

// A CSV field as RFC 4180 writes it: quoted when it holds a comma, a quote
// or a line break.
std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string PadToWidth(const std::string& text, size_t width) {
  const size_t w = Utf8Width(text);
  return w >= width ? text : text + std::string(width - w, ' ');
}

RowPrinter::RowPrinter(std::ostream& out, Layout layout, std::vector<std::string> names)
    : out_(out),
      layout_(layout),
      names_(std::move(names)),
      width_(names_.size(), 0),
      start_(std::chrono::steady_clock::now()) {
  if (layout_ == Csv) line(names_);
}

void RowPrinter::add(std::vector<std::string> row) {
  if (layout_ == Csv) return line(row);
  if (layout_ == Line) return fields(row);
  if (started_) return line(row);
  window_.push_back(std::move(row));
  if (window_.size() >= kWindow ||
      std::chrono::steady_clock::now() - start_ > std::chrono::milliseconds(250))
    flushWindow();
}

void RowPrinter::finish() {
  if (layout_ == Table && !started_) flushWindow();
  out_.flush();
}

void RowPrinter::flushWindow() {
  started_ = true;
  for (size_t i = 0; i < names_.size(); ++i) width_[i] = Utf8Width(names_[i]);
  for (const auto& row : window_)
    for (size_t i = 0; i < row.size(); ++i) width_[i] = std::max(width_[i], Utf8Width(row[i]));
  line(names_);
  std::string rule;
  for (size_t i = 0; i < width_.size(); ++i) rule += (i ? "-+-" : "") + std::string(width_[i], '-');
  out_ << rule << "\n";
  for (const auto& row : window_) line(row);
  window_.clear();
  window_.shrink_to_fit();
  out_.flush();
}

void RowPrinter::line(const std::vector<std::string>& row) {
  std::string text;
  for (size_t i = 0; i < row.size(); ++i) {
    if (layout_ == Csv) {
      text += (i ? "," : "") + CsvField(row[i]);
      continue;
    }
    if (i) text += " | ";
    width_[i] = std::max(width_[i], Utf8Width(row[i]));
    text += i + 1 < row.size() ? PadToWidth(row[i], width_[i]) : row[i];
  }
  out_ << text << "\n";
}

void RowPrinter::fields(const std::vector<std::string>& row) {
  if (!started_) {
    for (const std::string& name : names_) width_[0] = std::max(width_[0], Utf8Width(name));
    started_ = true;
  } else {
    out_ << "\n";
  }
  for (size_t i = 0; i < names_.size(); ++i)
    out_ << std::string(width_[0] - Utf8Width(names_[i]), ' ') << names_[i] << " = " << row[i]
         << "\n";
}

}  // namespace qorvid::host

// A statement's rows, read in full when it ran, kept compact: per cell an
// 8-byte slot and a 1-byte kind, texts in a byte arena (ASCII and UTF-8 texts
// one byte per unit, others as UTF-16), and the rare values that fit no slot
// (decimals, byte arrays, ...) as VARIANTs beside. A cell's VARIANT is built
// only when it is read. Cells and text go into fixed-size chunks: a growing
// vector would briefly hold its old and new buffers, doubling the peak. Only
// the first chunk of each grows, from a small start, for the many results of
// a row or a few.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/bstr.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

struct ResultColumn {
  WideString name;
  // The type the column's declaration gives its values, VT_EMPTY when only
  // the stored values decide (an expression column, say).
  VARTYPE declared = VT_EMPTY;
};

class ResultSet {
 public:
  ResultSet();
  ~ResultSet();
  ResultSet(const ResultSet&) = delete;
  ResultSet& operator=(const ResultSet&) = delete;

  std::vector<ResultColumn> columns;

  // Cells are appended row after row, column after column.
  void append(const Variant& value);
  void appendNull();
  // Text as UTF-8; false (nothing appended) when it is not well-formed
  // UTF-8, so that the caller can give the engine's own UTF-16 instead.
  bool appendUtf8(const char* text, size_t bytes);
  void appendWide(const OLECHAR* text, size_t units);

  size_t cellCount() const { return count_; }
  size_t rowCount() const { return columns.empty() ? 0 : count_ / columns.size(); }
  // The VARIANT type and a new VARIANT of a cell.
  VARTYPE type(size_t row, size_t column) const { return typeAt(row * columns.size() + column); }
  Variant value(size_t row, size_t column) const { return valueAt(row * columns.size() + column); }

 private:
  enum Kind : uint8_t;
  struct CellChunk;

  VARTYPE typeAt(size_t index) const;
  Variant valueAt(size_t index) const;
  void push(Kind kind, uint64_t slot);
  // Room for a text of `bytes` in the arena; gives its slot.
  uint64_t storeText(const void* data, size_t bytes);
  const char* textAt(uint64_t slot, size_t* bytes) const;

  std::vector<std::unique_ptr<CellChunk>> cells_;
  size_t count_ = 0;
  std::vector<std::unique_ptr<char[]>> text_;
  size_t current_ = 0;   // the text chunk small texts go to
  size_t used_ = 0;      // bytes used in it
  size_t capacity_ = 0;  // and its size
  bool shared_ = false;  // whether there is such a chunk yet
  std::deque<Variant> others_;
};

}  // namespace qorvid::ado

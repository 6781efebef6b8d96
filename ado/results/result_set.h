// A statement's rows, kept compact: per cell an 8-byte slot and a 1-byte
// kind, texts in a byte arena (ASCII and UTF-8 texts one byte per unit,
// others as UTF-16), and the rare values that fit no slot (decimals, byte
// arrays, ...) as VARIANTs beside. A cell's VARIANT is built only when it is
// read. Cells and text go into fixed-size chunks: a growing vector would
// briefly hold its old and new buffers, doubling the peak. Only the first
// chunk of each grows, from a small start, for the many results of a row or
// a few.
//
// The rows may also come from a RowSource as the cursor asks for them: the
// engine keeps what is not yet read, and the rows the cursor has passed are
// let go, so that a long result is never held whole.
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

class ResultSet;

// Rows still in the engine.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Appends the next row's cells; false when there is none left. A failure
  // of the engine throws AdoError.
  virtual bool next(ResultSet& rows) = 0;
};

class ResultSet {
 public:
  // Not copied: it owns its row source, which makes copying deleted.
  ResultSet();
  ~ResultSet();

  std::vector<ResultColumn> columns;

  // Cells are appended row after row, column after column.
  void append(const Variant& value);
  void appendNull();
  // Text as UTF-8; false (nothing appended) when it is not well-formed
  // UTF-8, so that the caller can give the engine's own UTF-16 instead.
  bool appendUtf8(const char* text, size_t bytes);
  void appendWide(const OLECHAR* text, size_t units);

  // Rows are numbered from the first the statement gave, also once those
  // before have been let go; the cells count those held.
  size_t cellCount() const { return count_; }
  // The rows read so far.
  size_t rowCount() const { return first_ + (columns.empty() ? 0 : count_ / columns.size()); }
  // The VARIANT type and a new VARIANT of a held cell.
  VARTYPE type(size_t row, size_t column) const { return typeAt(cellIndex(row, column)); }
  Variant value(size_t row, size_t column) const { return valueAt(cellIndex(row, column)); }

  // The rows after those appended so far come from the source.
  void readFrom(std::unique_ptr<RowSource> source);
  // Whether the source still holds rows.
  bool reading() const { return source_ != nullptr; }
  // Whether the row is there, reading on from the source as far as it. A
  // failure of the source ends the rows; it is kept for takeFailure.
  bool hasRow(size_t row) { return row < rowCount() || readTo(row); }
  // Reads every row the source still holds.
  void readAll();
  // The bytes of text held, for a caller reading ahead to a budget.
  size_t textBytes() const { return textBytes_; }
  // Rows before this one will not be asked for again; while reading from a
  // source, their memory goes once all those held are passed.
  void releaseBefore(size_t row);
  // The failure that ended the rows early, once: the caller reports it where
  // the cursor reached the end it made. False when there was none.
  bool takeFailure(WideString* description, HRESULT* scode);

 private:
  enum Kind : uint8_t;
  struct CellChunk;

  size_t cellIndex(size_t row, size_t column) const {
    return (row - first_) * columns.size() + column;
  }
  bool readTo(size_t row);
  void readOne();
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
  size_t textBytes_ = 0;
  size_t first_ = 0;  // the number of the first row held
  std::unique_ptr<RowSource> source_;
  bool failed_ = false;
  WideString failure_;
  HRESULT failureCode_ = S_OK;
};

}  // namespace qorvid::ado

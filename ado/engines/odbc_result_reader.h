// Reads a statement's result into the result store: describes its columns,
// then fetches its rows, bound a block at a time where the driver allows.
// Its calls go through the session's checked path.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ado/engines/column_kind.h"
#include "ado/engines/odbc_calls.h"
#include "ado/results/result_set.h"

namespace qorvid::ado::odbc {

// How the driver lets values be read, learnt once on connecting.
struct DriverReads {
  // Whether bound columns may be read again with SQLGetData (so that values
  // may be bound), and within a block of rows.
  bool bindable = false;
  bool blocks = false;
  // Whether a text of a row in a block can be read again.
  bool rereadsInBlock = true;
  // How texts are read: UTF-16, or the session's UTF-8.
  SQLSMALLINT textType = SQL_C_WCHAR;
};

class ResultReader {
 public:
  explicit ResultReader(Session& session) : session_(session) {}
  ResultReader(const ResultReader&) = delete;
  ResultReader& operator=(const ResultReader&) = delete;

  DriverReads driver;

  // The rows of the statement that has just run and gives `columns` columns.
  std::unique_ptr<ResultSet> read(const Handle& st, SQLSMALLINT columns);

 private:
  struct Block;

  bool pieces(const Handle& st, SQLUSMALLINT c, SQLSMALLINT cType, std::string* out);
  void readBlocks(const Handle& st, const std::vector<ColumnKind>& kinds, ResultSet& out);
  void startBlocks(const Handle& st, size_t rows, Block& block);
  void appendCell(const Handle& st, SQLUSMALLINT c, ColumnKind kind, ResultSet& out);
  SQLLEN terminator() const;
  void appendText(const char* bytes, size_t size, ResultSet& out);
  Variant cell(const Handle& st, SQLUSMALLINT c, ColumnKind kind);

  Session& session_;
  // The text being read and the piece buffer, kept between cells.
  std::string text_;
  WideString wide_;
  std::vector<char> piece_;
};

}  // namespace qorvid::ado::odbc

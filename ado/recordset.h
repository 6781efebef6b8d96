// Recordset, its Fields collection and Field: a statement's rows held in
// memory, read forward from the first row. A statement without rows gives
// a recordset that is closed from the start.
#pragma once

#include <memory>

#include "ado/backend.h"
#include "ado/dispatch_base.h"
#include "platform/com_ptr.h"

namespace qorvid::ado {

class Connection;

class Recordset : public DispatchBase {
 public:
  // rows null: a closed recordset. owner may be null.
  Recordset(Connection* owner, std::unique_ptr<ResultSet> rows);

  // The connection closes or goes away: the rows are dropped.
  void closeByConnection();

  bool isOpen() const { return rows_ != nullptr; }
  size_t columnCount() const { return rows_ ? rows_->columns.size() : 0; }
  const ResultColumn& column(size_t index) const { return rows_->columns[index]; }
  // The column a selector names: a name (case-insensitive) or a 0-based
  // position. Fails as ADO does for a closed recordset or no such column.
  size_t findColumn(const Variant& selector) const;
  // The cell of the current row; fails when closed or at EOF.
  const Variant& currentCell(size_t column) const;
  // The cell of the current row, or null at EOF (for Field.Type).
  const Variant* currentCellOrNull(size_t column) const;

 protected:
  ~Recordset() override;
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  void requireOpen() const;
  void close();

  Connection* owner_;
  std::unique_ptr<ResultSet> rows_;
  size_t position_ = 0;
};

class Fields : public DispatchBase {
 public:
  explicit Fields(ComPtr<Recordset> recordset);

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  ComPtr<Recordset> recordset_;
};

class Field : public DispatchBase {
 public:
  Field(ComPtr<Recordset> recordset, size_t column);

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  ComPtr<Recordset> recordset_;
  size_t column_;
};

// The Field object a selector names, as a VT_DISPATCH value.
Variant FieldFor(Recordset* recordset, const Variant& selector);

}  // namespace qorvid::ado

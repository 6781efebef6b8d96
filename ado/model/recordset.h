// Recordset, its Fields collection and Field: a statement's rows, read
// forward from the first row. A statement without rows gives
// a recordset that is closed from the start.
#pragma once

#include <memory>
#include <vector>

#include "ado/model/dispatch_base.h"
#include "ado/model/recordset_owner.h"
#include "ado/results/result_set.h"
#include "platform/com_ptr.h"

namespace qorvid::ado {

class Fields;
class Field;

// What the recordset's Fields and Field objects read: the rows and the
// current position. Shared, so that a Field the script keeps reads on after
// the recordset object itself is gone, until the connection closes.
struct RecordsetRows {
  RecordsetRows(RecordsetOwner* owner, std::unique_ptr<ResultSet> rows);
  ~RecordsetRows();
  RecordsetRows(const RecordsetRows&) = delete;
  RecordsetRows& operator=(const RecordsetRows&) = delete;

  // Closing drops the rows; the connection closing or going away does too.
  void close();
  void closeByConnection();

  RecordsetOwner* owner;            // null once closed or when none
  std::unique_ptr<ResultSet> rows;  // null once closed
  size_t position = 0;

  bool isOpen() const { return rows != nullptr; }
  size_t columnCount() const { return rows ? rows->columns.size() : 0; }
  // The column a selector names: a name (case-insensitive) or a 0-based
  // position. Fails as ADO does for a closed recordset or no such column.
  size_t findColumn(const VARIANT& selector) const;
  // The column the call's first argument names.
  size_t findColumn(const InvokeArgs& args) const;
  // The current row's cell; fails when closed or at EOF.
  Variant currentValue(size_t column) const;
};

class Recordset : public DispatchBase {
 public:
  // rows null: a closed recordset. owner may be null.
  Recordset(RecordsetOwner* owner, std::unique_ptr<ResultSet> rows);

  RecordsetRows* rows() const { return rows_.get(); }

  // The Field object of a column, made on first use and kept: AddRef'd.
  ComPtr<Field> field(size_t column);

 protected:
  ~Recordset() override;
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  void requireOpen() const;
  void moveNext();

  std::shared_ptr<RecordsetRows> rows_;
  // Owned here; they point back without a reference, so no cycle holds the
  // recordset, and are told when it goes.
  ComPtr<Fields> fields_;
  std::vector<ComPtr<Field>> fieldObjects_;
};

class Fields : public DispatchBase {
 public:
  Fields(Recordset* recordset, std::shared_ptr<RecordsetRows> rows);
  void recordsetGone() { recordset_ = nullptr; }

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  Recordset* recordset_;  // null once the recordset is gone
  std::shared_ptr<RecordsetRows> rows_;
};

class Field : public DispatchBase {
 public:
  Field(std::shared_ptr<RecordsetRows> rows, size_t column);

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  std::shared_ptr<RecordsetRows> rows_;
  size_t column_;
};

}  // namespace qorvid::ado

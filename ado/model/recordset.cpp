#include "ado/model/recordset.h"

#include "platform/text_case.h"

namespace qorvid::ado {

namespace {

enum : DISPID {
  kFields = 1,
  kEOF,
  kBOF,
  kMoveNext,
  kClose,
  kState,
  kRecordCount,
};

const MemberName kRecordsetMembers[] = {
    {OLESTR("Fields"), kFields},           {OLESTR("EOF"), kEOF},     {OLESTR("BOF"), kBOF},
    {OLESTR("MoveNext"), kMoveNext},       {OLESTR("Close"), kClose}, {OLESTR("State"), kState},
    {OLESTR("RecordCount"), kRecordCount},
};

enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };

const MemberName kFieldsMembers[] = {
    {OLESTR("Item"), kItem},
    {OLESTR("Count"), kCount},
};

enum : DISPID { kValue = DISPID_VALUE, kName = 1, kType };

const MemberName kFieldMembers[] = {
    {OLESTR("Value"), kValue},
    {OLESTR("Name"), kName},
    {OLESTR("Type"), kType},
};

// ADO's DataTypeEnum for the value type a column gives; adVariant for others.
LONG AdoTypeOf(VARTYPE vt) {
  static const struct {
    VARTYPE vt;
    LONG type;
  } kAdoTypes[] = {
      {VT_I2, 2},                // adSmallInt
      {VT_I4, 3},                // adInteger
      {VT_R4, 4},                // adSingle
      {VT_R8, 5},                // adDouble
      {VT_CY, 6},                // adCurrency
      {VT_DATE, 7},              // adDate
      {VT_BOOL, 11},             // adBoolean
      {VT_DECIMAL, 131},         // adNumeric
      {VT_I8, 20},               // adBigInt
      {VT_BSTR, 202},            // adVarWChar
      {VT_ARRAY | VT_UI1, 204},  // adVarBinary
  };
  for (const auto& t : kAdoTypes)
    if (t.vt == vt) return t.type;
  return 12;  // adVariant
}

template <class T>
Variant DispatchValue(const ComPtr<T>& object) {
  return Variant::fromDispatch(object.get());
}

// A BSTR selector compared in place, without a copy per call.
bool SameName(const WideString& name, BSTR selector) {
  const size_t length = selector ? SysStringLen(selector) : 0;
  return platform::EqualsIgnoringCase(name, std::basic_string_view<OLECHAR>(selector, length));
}

}  // namespace

size_t RecordsetRows::findColumn(const InvokeArgs& args) const {
  if (const VARIANT* selector = args.plain(0)) return findColumn(*selector);
  return findColumn(args.value(0).get());
}

size_t RecordsetRows::findColumn(const VARIANT& selector) const {
  if (!rows) throw AdoError(ado_text::kObjectClosed);
  if (selector.vt == VT_BSTR) {
    const size_t count = rows->columns.size();
    for (size_t i = 0; i < count; ++i)
      if (SameName(rows->columns[i].name, selector.bstrVal)) return i;
    throw AdoError(ado_text::kItemNotFound);
  }
  LONG position;
  try {
    position = selector.vt == VT_I4 ? selector.lVal : ArgInteger(Variant(selector));
  } catch (const AdoError&) {
    throw AdoError(ado_text::kItemNotFound);
  }
  // Converting an object asks the host for its value, and host code may
  // close this recordset meanwhile: the columns are counted only now.
  if (!rows) throw AdoError(ado_text::kObjectClosed);
  if (selector.vt == VT_BOOL || position < 0 || static_cast<size_t>(position) >= columnCount())
    throw AdoError(ado_text::kItemNotFound);
  return static_cast<size_t>(position);
}

Variant RecordsetRows::currentValue(size_t column) const {
  if (!rows) throw AdoError(ado_text::kObjectClosed);
  if (column >= rows->columns.size() || !rows->hasRow(position))
    throw AdoError(ado_text::kNoCurrentRecord);
  return rows->value(position, column);
}

RecordsetRows::RecordsetRows(RecordsetOwner* owner_, std::unique_ptr<ResultSet> rows_)
    : owner(owner_), rows(std::move(rows_)) {}

RecordsetRows::~RecordsetRows() {
  if (owner) owner->forget(this);
}

void RecordsetRows::closeByConnection() {
  owner = nullptr;
  rows.reset();
}

void RecordsetRows::close() {
  rows.reset();
  if (owner) owner->forget(this);
  owner = nullptr;
}

Recordset::Recordset(RecordsetOwner* owner, std::unique_ptr<ResultSet> rows)
    : DispatchBase(kRecordsetMembers),
      rows_(std::make_shared<RecordsetRows>(rows ? owner : nullptr, std::move(rows))) {}

// The row after the current one, read now, so that a failure of the engine
// on the way is this call's.
void Recordset::moveNext() {
  ResultSet& rows = *rows_->rows;
  WideString description;
  HRESULT scode;
  if (!rows.hasRow(rows_->position)) {
    if (rows.takeFailure(&description, &scode)) throw AdoError(description, scode);
    throw AdoError(ado_text::kNoCurrentRecord);
  }
  ++rows_->position;
  rows.releaseBefore(rows_->position);
  if (!rows.hasRow(rows_->position) && rows.takeFailure(&description, &scode))
    throw AdoError(description, scode);
}

Recordset::~Recordset() {
  if (fields_) fields_->recordsetGone();
}

void Recordset::requireOpen() const {
  if (!rows_->isOpen()) throw AdoError(ado_text::kObjectClosed);
}

ComPtr<Field> Recordset::field(size_t column) {
  if (column >= rows_->columnCount()) throw AdoError(ado_text::kObjectClosed);
  if (fieldObjects_.size() <= column) fieldObjects_.resize(rows_->columnCount());
  ComPtr<Field>& kept = fieldObjects_[column];
  if (!kept) kept = ComPtr<Field>::attach(new Field(rows_, column));
  return kept;
}

Variant Recordset::invokeMember(DISPID id, WORD flags, const InvokeArgs& args) {
  switch (id) {
    case kFields:
      RequireGet(flags);
      if (args.count() == 0 || args.omitted(0)) {
        if (!fields_) fields_ = ComPtr<Fields>::attach(new Fields(this, rows_));
        return DispatchValue(fields_);
      }
      return DispatchValue(field(rows_->findColumn(args)));
    case kEOF:
      RequireGet(flags);
      requireOpen();
      return Variant::fromBool(!rows_->rows->hasRow(rows_->position));
    case kBOF:
      RequireGet(flags);
      requireOpen();
      // Reading runs forward only, so the start is passed only when there is no row.
      return Variant::fromBool(!rows_->rows->hasRow(0));
    case kMoveNext:
      RequireMethod(flags);
      requireOpen();
      moveNext();
      return Variant();
    case kClose:
      RequireMethod(flags);
      requireOpen();
      rows_->close();
      return Variant();
    case kState:
      RequireGet(flags);
      return Variant::fromInt(rows_->isOpen() ? 1 : 0);
    case kRecordCount:
      RequireGet(flags);
      requireOpen();
      // Every row is counted, so all are read; a failure on the way is
      // reported by the MoveNext that reaches it.
      rows_->rows->readAll();
      return Variant::fromInt(static_cast<LONG>(rows_->rows->rowCount()));
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

Fields::Fields(Recordset* recordset, std::shared_ptr<RecordsetRows> rows)
    : DispatchBase(kFieldsMembers), recordset_(recordset), rows_(std::move(rows)) {}

Variant Fields::invokeMember(DISPID id, WORD flags, const InvokeArgs& args) {
  switch (id) {
    case kItem: {
      RequireGet(flags);
      if (args.count() == 0) throw DispatchFailure(DISP_E_BADPARAMCOUNT);
      const size_t column = rows_->findColumn(args);
      // Kept by the recordset while it lives; a new one once it is gone.
      if (recordset_) return DispatchValue(recordset_->field(column));
      return DispatchValue(ComPtr<Field>::attach(new Field(rows_, column)));
    }
    case kCount:
      RequireGet(flags);
      // A closed recordset has no fields; ADO counts them as none.
      return Variant::fromInt(static_cast<LONG>(rows_->columnCount()));
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

Field::Field(std::shared_ptr<RecordsetRows> rows, size_t column)
    : DispatchBase(kFieldMembers), rows_(std::move(rows)), column_(column) {}

Variant Field::invokeMember(DISPID id, WORD flags, const InvokeArgs&) {
  RequireGet(flags);
  // The recordset may have been closed since the field was taken.
  if (!rows_->isOpen() || column_ >= rows_->columnCount()) throw AdoError(ado_text::kObjectClosed);
  ResultSet& rows = *rows_->rows;
  switch (id) {
    case kValue:
      return rows_->currentValue(column_);
    case kName:
      return Variant::fromWide(rows.columns[column_].name);
    case kType: {
      VARTYPE vt = rows.columns[column_].declared;
      if (vt == VT_EMPTY && rows.hasRow(rows_->position)) vt = rows.type(rows_->position, column_);
      return Variant::fromInt(AdoTypeOf(vt));
    }
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

}  // namespace qorvid::ado

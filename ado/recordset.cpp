#include "ado/recordset.h"

#include "ado/connection.h"
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

// ADO's DataTypeEnum for the value type a column gives.
LONG AdoTypeOf(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
      return 2;  // adSmallInt
    case VT_I4:
      return 3;  // adInteger
    case VT_R4:
      return 4;  // adSingle
    case VT_R8:
      return 5;  // adDouble
    case VT_CY:
      return 6;  // adCurrency
    case VT_DATE:
      return 7;  // adDate
    case VT_BOOL:
      return 11;  // adBoolean
    case VT_DECIMAL:
      return 131;  // adNumeric
    case VT_I8:
      return 20;  // adBigInt
    case VT_BSTR:
      return 202;  // adVarWChar
    case VT_ARRAY | VT_UI1:
      return 204;  // adVarBinary
    default:
      return 12;  // adVariant
  }
}

template <class T>
Variant DispatchValue(ComPtr<T> object) {
  return Variant::fromDispatch(object.get());
}

}  // namespace

Recordset::Recordset(Connection* owner, std::unique_ptr<ResultSet> rows)
    : DispatchBase(kRecordsetMembers), owner_(owner), rows_(std::move(rows)) {}

Recordset::~Recordset() {
  if (owner_) owner_->forget(this);
}

void Recordset::closeByConnection() {
  owner_ = nullptr;
  rows_.reset();
}

void Recordset::close() {
  requireOpen();
  rows_.reset();
  if (owner_) owner_->forget(this);
  owner_ = nullptr;
}

void Recordset::requireOpen() const {
  if (!rows_) throw AdoError(ado_text::ObjectClosed());
}

size_t Recordset::findColumn(const Variant& selector) const {
  requireOpen();
  const size_t count = rows_->columns.size();
  if (selector.vt() == VT_BSTR) {
    BSTR b = selector.get().bstrVal;
    WideString name = b ? WideString(b, SysStringLen(b)) : WideString();
    for (size_t i = 0; i < count; ++i)
      if (platform::EqualsIgnoringCase(rows_->columns[i].name, name)) return i;
    throw AdoError(ado_text::ItemNotFound());
  }
  LONG position;
  try {
    position = ArgInteger(selector);
  } catch (const AdoError&) {
    throw AdoError(ado_text::ItemNotFound());
  }
  if (selector.vt() == VT_BOOL || position < 0 || static_cast<size_t>(position) >= count)
    throw AdoError(ado_text::ItemNotFound());
  return static_cast<size_t>(position);
}

const Variant* Recordset::currentCellOrNull(size_t column) const {
  if (!rows_ || position_ >= rows_->rowCount() || column >= rows_->columns.size()) return nullptr;
  return &rows_->cell(position_, column);
}

const Variant& Recordset::currentCell(size_t column) const {
  requireOpen();
  const Variant* cell = currentCellOrNull(column);
  if (!cell) throw AdoError(ado_text::NoCurrentRecord());
  return *cell;
}

Variant Recordset::invokeMember(DISPID id, WORD flags, const InvokeArgs& args) {
  switch (id) {
    case kFields:
      RequireGet(flags);
      if (args.count() == 0 || args.omitted(0))
        return DispatchValue(ComPtr<Fields>::attach(new Fields(ComPtr<Recordset>(this))));
      return FieldFor(this, args.value(0));
    case kEOF:
      RequireGet(flags);
      requireOpen();
      return Variant::fromBool(position_ >= rows_->rowCount());
    case kBOF:
      RequireGet(flags);
      requireOpen();
      // Reading runs forward only, so the start is passed only when there is no row.
      return Variant::fromBool(rows_->rowCount() == 0);
    case kMoveNext:
      RequireMethod(flags);
      requireOpen();
      if (position_ >= rows_->rowCount()) throw AdoError(ado_text::NoCurrentRecord());
      ++position_;
      return Variant();
    case kClose:
      RequireMethod(flags);
      close();
      return Variant();
    case kState:
      RequireGet(flags);
      return Variant::fromInt(rows_ ? 1 : 0);
    case kRecordCount:
      RequireGet(flags);
      requireOpen();
      return Variant::fromInt(static_cast<LONG>(rows_->rowCount()));
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

Variant FieldFor(Recordset* recordset, const Variant& selector) {
  size_t column = recordset->findColumn(selector);
  return DispatchValue(ComPtr<Field>::attach(new Field(ComPtr<Recordset>(recordset), column)));
}

Fields::Fields(ComPtr<Recordset> recordset)
    : DispatchBase(kFieldsMembers), recordset_(std::move(recordset)) {}

Variant Fields::invokeMember(DISPID id, WORD flags, const InvokeArgs& args) {
  switch (id) {
    case kItem:
      RequireGet(flags);
      if (args.count() == 0) throw DispatchFailure(DISP_E_BADPARAMCOUNT);
      return FieldFor(recordset_.get(), args.value(0));
    case kCount:
      RequireGet(flags);
      // A closed recordset has no fields; ADO counts them as none.
      return Variant::fromInt(static_cast<LONG>(recordset_->columnCount()));
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

Field::Field(ComPtr<Recordset> recordset, size_t column)
    : DispatchBase(kFieldMembers), recordset_(std::move(recordset)), column_(column) {}

Variant Field::invokeMember(DISPID id, WORD flags, const InvokeArgs&) {
  RequireGet(flags);
  // The recordset may have been closed since the field was taken.
  if (!recordset_->isOpen() || column_ >= recordset_->columnCount())
    throw AdoError(ado_text::ObjectClosed());
  switch (id) {
    case kValue:
      return Variant(recordset_->currentCell(column_));
    case kName:
      return Variant::fromWide(recordset_->column(column_).name);
    case kType: {
      VARTYPE vt = recordset_->column(column_).declared;
      if (vt == VT_EMPTY) {
        const Variant* cell = recordset_->currentCellOrNull(column_);
        if (cell) vt = cell->vt();
      }
      return Variant::fromInt(AdoTypeOf(vt));
    }
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

}  // namespace qorvid::ado

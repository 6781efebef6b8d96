#include "component/member_table.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/automation.h"
#include "component/error_text.h"
#include "database/branches.h"

namespace qorvid {

namespace {
Variant ReadErrorMsg(ComponentState&) { return Variant::fromUtf8(ErrorText()); }
Variant ReadEof(ComponentState& state) { return Variant::fromInt(RecordsetAtEnd(state) ? 1 : 0); }
Variant ReadFieldsCount(ComponentState& state) { return Variant::fromInt(state.fieldsCount); }
Variant ReadTime(ComponentState& state) { return Variant::fromUtf8(state.timeText); }
void WriteTime(ComponentState& state, const VARIANT& value) { state.timeText = ValueText(value); }
}  // namespace

constexpr MethodRow kMethodTable[kMethodCount] = {
    // method, English, Russian, parameters, default, result, branch
    {Method::Open, OLESTR("Open"), OLESTR("Открыть"), 1, ParamDefault::None, true, OpenBranch},
    {Method::Close, OLESTR("Close"), OLESTR("Закрыть"), 0, ParamDefault::None, true, CloseBranch},
    {Method::Execute, OLESTR("Execute"), OLESTR("Выполнить"), 1, ParamDefault::EmptyText, true,
     ExecuteBranch},
    {Method::MoveNext, OLESTR("MoveNext"), OLESTR("СледующаяЗапись"), 0, ParamDefault::None, true,
     MoveNextBranch},
    {Method::GetField, OLESTR("GetField"), OLESTR("ПолучитьПоле"), 1, ParamDefault::None, true,
     GetFieldBranch},
    {Method::GetFieldAsDateTime, OLESTR("GetFieldAsDateTime"), OLESTR("ПолучитьПолеДатаВремя"), 1,
     ParamDefault::None, true, GetFieldAsDateTimeBranch},
    {Method::GetFieldAsObject, OLESTR("GetFieldAsObject"), OLESTR("ПолучитьПолеОбъект"), 1,
     ParamDefault::None, true, GetFieldAsObjectBranch},
    {Method::PrepareQuery, OLESTR("PrepareQuery"), OLESTR("ПодготовитьЗапрос"), 1,
     ParamDefault::None, true, PrepareQueryBranch},
    {Method::Bind, OLESTR("Bind"), OLESTR("ПараметрЗапроса"), 1, ParamDefault::None, true,
     BindBranch},
    {Method::OpenRec, OLESTR("OpenRec"), OLESTR("ОткрытьЗапись"), 1, ParamDefault::None, true,
     OpenRecBranch},
    {Method::KeyField, OLESTR("KeyField"), OLESTR("КлючевоеПоле"), 2, ParamDefault::None, true,
     KeyFieldBranch},
    {Method::DataField, OLESTR("DataField"), OLESTR("ПолеДанных"), 2, ParamDefault::None, true,
     DataFieldBranch},
    {Method::SaveRec, OLESTR("SaveRec"), OLESTR("СохранитьЗапись"), 0, ParamDefault::None, true,
     SaveRecBranch},
    // No branch: a call answers S_FALSE and changes nothing.
    {Method::DeleteRec, OLESTR("DeleteRec"), OLESTR("УдалитьЗапись"), 0, ParamDefault::None, true,
     nullptr},
    {Method::BeginTrans, OLESTR("BeginTrans"), OLESTR("НачатьТранзакцию"), 0, ParamDefault::None,
     true, BeginTransBranch},
    {Method::CommitTrans, OLESTR("CommitTrans"), OLESTR("ЗафиксироватьТранзакцию"), 0,
     ParamDefault::None, true, CommitTransBranch},
    {Method::RollbackTrans, OLESTR("RollbackTrans"), OLESTR("ОткатитьТранзакцию"), 0,
     ParamDefault::None, true, RollbackTransBranch},
    {Method::FieldName, OLESTR("FieldName"), OLESTR("ИмяПоля"), 1, ParamDefault::None, true,
     FieldNameBranch},
};

constexpr PropertyRow kPropertyTable[kPropertyCount] = {
    // property, English, Russian, read, write, IsPropertyWritable when read-only
    {Property::ErrorMsg, OLESTR("ErrorMsg"), OLESTR("Ошибка"), ReadErrorMsg, nullptr, S_OK},
    {Property::Eof, OLESTR("EOF"), OLESTR("КонецВыборки"), ReadEof, nullptr, S_OK},
    {Property::FieldsCount, OLESTR("FieldsCount"), OLESTR("КоличествоПолей"), ReadFieldsCount,
     nullptr, S_FALSE},
    {Property::Time, OLESTR("Time"), OLESTR("Время"), ReadTime, WriteTime, S_OK},
};

static_assert(sizeof kMethodTable / sizeof kMethodTable[0] == kMethodCount, "one row per method");
static_assert(sizeof kPropertyTable / sizeof kPropertyTable[0] == kPropertyCount,
              "one row per property");
static_assert(static_cast<long>(Method::FieldName) == kMethodCount - 1, "Method lists every row");
static_assert(static_cast<long>(Property::Time) == kPropertyCount - 1, "Property lists every row");

namespace {
// Each row must stand at its own number.
constexpr bool MethodRowsInOrder() {
  for (long i = 0; i < kMethodCount; ++i)
    if (static_cast<long>(kMethodTable[i].method) != i) return false;
  return true;
}
}  // namespace

const MethodRow* MethodRowAt(long number) {
  return number >= 0 && number < kMethodCount ? &kMethodTable[number] : nullptr;
}

const PropertyRow* PropertyRowAt(long number) {
  return number >= 0 && number < kPropertyCount ? &kPropertyTable[number] : nullptr;
}

namespace {
typedef std::basic_string_view<OLECHAR> WideView;

// The names of one table in an open-addressing hash table: hosts look a name
// up before every call.
class NameTable {
 public:
  template <typename Row, long N>
  explicit NameTable(const Row (&rows)[N]) : slots_(4 * N, kFree) {
    for (long i = 0; i < N; ++i) {
      add(rows[i].english, i);
      add(rows[i].russian, i);
    }
  }

  long find(WideView name) const {
    for (size_t at = first(name);; at = next(at)) {
      if (slots_[at] == kFree) return -1;
      const Entry& entry = entries_[slots_[at]];
      if (entry.first == name) return entry.second;
    }
  }

 private:
  typedef std::pair<WideView, long> Entry;
  static constexpr int kFree = -1;

  size_t first(WideView name) const { return std::hash<WideView>()(name) % slots_.size(); }
  size_t next(size_t at) const { return (at + 1) % slots_.size(); }

  void add(WideView name, long number) {
    size_t at = first(name);
    while (slots_[at] != kFree) at = next(at);
    slots_[at] = static_cast<int>(entries_.size());
    entries_.emplace_back(name, number);
  }

  std::vector<Entry> entries_;
  std::vector<int> slots_;  // indexes into entries_; a quarter of them used at most
};

// Built at the first lookup; the names are UTF-16 constants, the same
// whatever the system's code page.
const NameTable& Properties() {
  static const NameTable table(kPropertyTable);
  return table;
}
const NameTable& Methods() {
  static const NameTable table(kMethodTable);
  return table;
}

WideView NameView(const OLECHAR* name, size_t length) {
  return name ? WideView(name, length) : WideView();
}
}  // namespace

static_assert(MethodRowsInOrder(), "each method row stands at its number");

long FindPropertyNumber(const OLECHAR* name, size_t length) {
  return Properties().find(NameView(name, length));
}

long FindMethodNumber(const OLECHAR* name, size_t length) {
  return Methods().find(NameView(name, length));
}

}  // namespace qorvid

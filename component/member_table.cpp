#include "component/member_table.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/automation.h"
#include "automation/cp1251.h"
#include "component/error_text.h"
#include "database/branches.h"

namespace qorvid {

namespace {
constexpr auto kErrorMsgRu = Cp1251("Ошибка");
constexpr auto kEofRu = Cp1251("КонецВыборки");
constexpr auto kFieldsCountRu = Cp1251("КоличествоПолей");
constexpr auto kTimeRu = Cp1251("Время");

constexpr auto kOpenRu = Cp1251("Открыть");
constexpr auto kCloseRu = Cp1251("Закрыть");
constexpr auto kExecuteRu = Cp1251("Выполнить");
constexpr auto kMoveNextRu = Cp1251("СледующаяЗапись");
constexpr auto kGetFieldRu = Cp1251("ПолучитьПоле");
constexpr auto kGetFieldAsDateTimeRu = Cp1251("ПолучитьПолеДатаВремя");
constexpr auto kGetFieldAsObjectRu = Cp1251("ПолучитьПолеОбъект");
constexpr auto kPrepareQueryRu = Cp1251("ПодготовитьЗапрос");
constexpr auto kBindRu = Cp1251("ПараметрЗапроса");
constexpr auto kOpenRecRu = Cp1251("ОткрытьЗапись");
constexpr auto kKeyFieldRu = Cp1251("КлючевоеПоле");
constexpr auto kDataFieldRu = Cp1251("ПолеДанных");
constexpr auto kSaveRecRu = Cp1251("СохранитьЗапись");
constexpr auto kDeleteRecRu = Cp1251("УдалитьЗапись");
constexpr auto kBeginTransRu = Cp1251("НачатьТранзакцию");
constexpr auto kCommitTransRu = Cp1251("ЗафиксироватьТранзакцию");
constexpr auto kRollbackTransRu = Cp1251("ОткатитьТранзакцию");
constexpr auto kFieldNameRu = Cp1251("ИмяПоля");

Variant ReadErrorMsg(ComponentState&) { return Variant::fromAnsi(ErrorText()); }
Variant ReadEof(ComponentState& state) { return Variant::fromInt(RecordsetAtEnd(state) ? 1 : 0); }
Variant ReadFieldsCount(ComponentState& state) { return Variant::fromInt(state.fieldsCount); }
Variant ReadTime(ComponentState& state) { return Variant::fromAnsi(state.timeText); }
void WriteTime(ComponentState& state, const VARIANT& value) { state.timeText = ValueText(value); }
}  // namespace

constexpr MethodRow kMethodTable[kMethodCount] = {
    // method, English, Russian, parameters, default, result, branch
    {Method::Open, "Open", kOpenRu.bytes, 1, ParamDefault::None, true, OpenBranch},
    {Method::Close, "Close", kCloseRu.bytes, 0, ParamDefault::None, true, CloseBranch},
    {Method::Execute, "Execute", kExecuteRu.bytes, 1, ParamDefault::EmptyText, true, ExecuteBranch},
    {Method::MoveNext, "MoveNext", kMoveNextRu.bytes, 0, ParamDefault::None, true, MoveNextBranch},
    {Method::GetField, "GetField", kGetFieldRu.bytes, 1, ParamDefault::None, true, GetFieldBranch},
    {Method::GetFieldAsDateTime, "GetFieldAsDateTime", kGetFieldAsDateTimeRu.bytes, 1,
     ParamDefault::None, true, GetFieldAsDateTimeBranch},
    {Method::GetFieldAsObject, "GetFieldAsObject", kGetFieldAsObjectRu.bytes, 1, ParamDefault::None,
     true, GetFieldAsObjectBranch},
    {Method::PrepareQuery, "PrepareQuery", kPrepareQueryRu.bytes, 1, ParamDefault::None, true,
     PrepareQueryBranch},
    {Method::Bind, "Bind", kBindRu.bytes, 1, ParamDefault::None, true, BindBranch},
    {Method::OpenRec, "OpenRec", kOpenRecRu.bytes, 1, ParamDefault::None, true, OpenRecBranch},
    {Method::KeyField, "KeyField", kKeyFieldRu.bytes, 2, ParamDefault::None, true, KeyFieldBranch},
    {Method::DataField, "DataField", kDataFieldRu.bytes, 2, ParamDefault::None, true,
     DataFieldBranch},
    {Method::SaveRec, "SaveRec", kSaveRecRu.bytes, 0, ParamDefault::None, true, SaveRecBranch},
    // No branch: a call answers S_FALSE and changes nothing.
    {Method::DeleteRec, "DeleteRec", kDeleteRecRu.bytes, 0, ParamDefault::None, true, nullptr},
    {Method::BeginTrans, "BeginTrans", kBeginTransRu.bytes, 0, ParamDefault::None, true,
     BeginTransBranch},
    {Method::CommitTrans, "CommitTrans", kCommitTransRu.bytes, 0, ParamDefault::None, true,
     CommitTransBranch},
    {Method::RollbackTrans, "RollbackTrans", kRollbackTransRu.bytes, 0, ParamDefault::None, true,
     RollbackTransBranch},
    {Method::FieldName, "FieldName", kFieldNameRu.bytes, 1, ParamDefault::None, true,
     FieldNameBranch},
};

constexpr PropertyRow kPropertyTable[kPropertyCount] = {
    // property, English, Russian, read, write, IsPropertyWritable when read-only
    {Property::ErrorMsg, "ErrorMsg", kErrorMsgRu.bytes, ReadErrorMsg, nullptr, S_OK},
    {Property::Eof, "EOF", kEofRu.bytes, ReadEof, nullptr, S_OK},
    {Property::FieldsCount, "FieldsCount", kFieldsCountRu.bytes, ReadFieldsCount, nullptr, S_FALSE},
    {Property::Time, "Time", kTimeRu.bytes, ReadTime, WriteTime, S_OK},
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

// The names of one table widened once, in an open-addressing hash table:
// hosts look a name up before every call. Where two rows widen to the same
// text (a code page without Cyrillic letters) the first in table order wins,
// English before Russian, as a walk down the table would find it.
class NameTable {
 public:
  template <typename Row, long N>
  explicit NameTable(const Row (&rows)[N]) : slots_(4 * N, kFree) {
    for (long i = 0; i < N; ++i) {
      add(WideFromAnsi(rows[i].english), i);
      add(WideFromAnsi(rows[i].russian), i);
    }
  }

  long find(WideView name) const {
    for (size_t at = first(name);; at = next(at)) {
      if (slots_[at] == kFree) return -1;
      const Entry& entry = entries_[slots_[at]];
      if (WideView(entry.first) == name) return entry.second;
    }
  }

 private:
  typedef std::pair<WideString, long> Entry;
  static constexpr int kFree = -1;

  size_t first(WideView name) const { return std::hash<WideView>()(name) % slots_.size(); }
  size_t next(size_t at) const { return (at + 1) % slots_.size(); }

  void add(WideString name, long number) {
    if (find(name) >= 0) return;
    size_t at = first(name);
    while (slots_[at] != kFree) at = next(at);
    slots_[at] = static_cast<int>(entries_.size());
    entries_.emplace_back(std::move(name), number);
  }

  std::vector<Entry> entries_;
  std::vector<int> slots_;  // indexes into entries_; a quarter of them used at most
};

// The tables' names as one code page widens them. One is built for each code
// page the process has had, the first time a name is looked up under it, and
// kept to the end: readers never wait, and none is freed under a reader.
struct NameIndex {
  NameIndex(UINT page, const NameIndex* older)
      : codePage(page), properties(kPropertyTable), methods(kMethodTable), next(older) {}
  const UINT codePage;
  const NameTable properties;
  const NameTable methods;
  const NameIndex* next;
};

std::atomic<const NameIndex*> indexes{nullptr};

const NameIndex& IndexForCurrentCodePage() {
  const UINT page = GetACP();
  const NameIndex* head = indexes.load(std::memory_order_acquire);
  for (;;) {
    for (const NameIndex* index = head; index; index = index->next)
      if (index->codePage == page) return *index;
    const NameIndex* built = new NameIndex(page, head);
    if (indexes.compare_exchange_strong(head, built, std::memory_order_acq_rel)) return *built;
    // Another thread added one meanwhile: it may be this page's.
    delete built;
  }
}

WideView NameView(const OLECHAR* name, size_t length) {
  return name ? WideView(name, length) : WideView();
}
}  // namespace

static_assert(MethodRowsInOrder(), "each method row stands at its number");

long FindPropertyNumber(const OLECHAR* name, size_t length) {
  return IndexForCurrentCodePage().properties.find(NameView(name, length));
}

long FindMethodNumber(const OLECHAR* name, size_t length) {
  return IndexForCurrentCodePage().methods.find(NameView(name, length));
}

}  // namespace qorvid

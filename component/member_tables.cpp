#include "component/member_tables.h"

#include "automation/cp1251.h"

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

// Names are kept in the ANSI code page and compared as UTF-16, so a name
// matches exactly when both sides convert to the same code units.
bool SameName(const char* row, const OLECHAR* name, size_t length) {
  WideString wide = WideFromAnsi(row);
  return wide.size() == length && wide.compare(0, length, name, length) == 0;
}
}  // namespace

const PropertyRow kPropertyTable[kPropertyCount] = {
    {"ErrorMsg", kErrorMsgRu.bytes},
    {"EOF", kEofRu.bytes},
    {"FieldsCount", kFieldsCountRu.bytes},
    {"Time", kTimeRu.bytes},
};

const MethodRow kMethodTable[kMethodCount] = {
    {"Open", kOpenRu.bytes, "1"},
    {"Close", kCloseRu.bytes, "0"},
    {"Execute", kExecuteRu.bytes, "1"},
    {"MoveNext", kMoveNextRu.bytes, "0"},
    {"GetField", kGetFieldRu.bytes, "1"},
    {"GetFieldAsDateTime", kGetFieldAsDateTimeRu.bytes, "1"},
    {"GetFieldAsObject", kGetFieldAsObjectRu.bytes, "1"},
    {"PrepareQuery", kPrepareQueryRu.bytes, "1"},
    {"Bind", kBindRu.bytes, "1"},
    {"OpenRec", kOpenRecRu.bytes, "1"},
    {"KeyField", kKeyFieldRu.bytes, "2"},
    {"DataField", kDataFieldRu.bytes, "2"},
    {"SaveRec", kSaveRecRu.bytes, "0"},
    {"DeleteRec", kDeleteRecRu.bytes, "0"},
    {"BeginTrans", kBeginTransRu.bytes, "0"},
    {"CommitTrans", kCommitTransRu.bytes, "0"},
    {"RollbackTrans", kRollbackTransRu.bytes, "0"},
    {"FieldName", kFieldNameRu.bytes, "1"},
};

long FindPropertyNumber(const OLECHAR* name, size_t length) {
  if (!name) length = 0;
  for (long i = 0; i < kPropertyCount; ++i) {
    if (SameName(kPropertyTable[i].english, name, length)) return i;
    if (SameName(kPropertyTable[i].russian, name, length)) return i;
  }
  return -1;
}

long FindMethodNumber(const OLECHAR* name, size_t length) {
  if (!name) length = 0;
  for (long i = 0; i < kMethodCount; ++i) {
    if (SameName(kMethodTable[i].english, name, length)) return i;
    if (SameName(kMethodTable[i].russian, name, length)) return i;
  }
  return -1;
}

const char* PropertyName(long number, long alias) {
  if (number < 0 || number >= kPropertyCount || (alias != 0 && alias != 1)) return nullptr;
  return alias == 0 ? kPropertyTable[number].english : kPropertyTable[number].russian;
}

const char* MethodName(long number, long alias) {
  if (number < 0 || number >= kMethodCount || (alias != 0 && alias != 1)) return nullptr;
  return alias == 0 ? kMethodTable[number].english : kMethodTable[number].russian;
}

}  // namespace qorvid

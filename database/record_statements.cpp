#include "database/record_statements.h"

#include "database/sql_literal.h"
#include "platform/bstr.h"
#include "platform/text_case.h"

namespace qorvid {

namespace {
// The fold works on the names' UTF-16 form, the host's own.
bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const WideString wa = platform::WideFromUtf8(a);
  const WideString wb = platform::WideFromUtf8(b);
  return platform::EqualsIgnoringCase(wa, wb);
}

void AppendJoined(std::string& text, const std::string& piece, const std::string& separator) {
  if (piece.empty()) return;
  if (!text.empty()) text += separator;
  text += piece;
}
}  // namespace

std::string EntryName(const std::string& entry) {
  size_t sign = entry.find('=');
  return sign == std::string::npos ? std::string() : entry.substr(0, sign);
}

std::string LookupEntryValue(const TextList& entries, const std::string& name) {
  for (const std::string& entry : entries) {
    size_t sign = entry.find('=');
    if (sign == std::string::npos) continue;
    if (EqualIgnoringCase(entry.substr(0, sign), name)) return entry.substr(sign + 1);
  }
  return std::string();
}

std::string JoinNonEmpty(const TextList& pieces, const std::string& separator) {
  std::string text;
  for (const std::string& piece : pieces) AppendJoined(text, piece, separator);
  return text;
}

RecordTexts BuildRecordTexts(const TextList& keyFields, const TextList& dataFields) {
  RecordTexts texts;
  for (const std::string& entry : keyFields) {
    const std::string name = EntryName(entry);
    AppendJoined(texts.keyColumns, name, ", ");
    AppendJoined(texts.keyValues, LookupEntryValue(keyFields, name), ", ");
  }
  for (const std::string& entry : keyFields) {
    // "Key=NULL" is never true: a null key is found with IS NULL.
    const size_t sign = entry.find('=');
    if (sign != std::string::npos && entry.compare(sign + 1, std::string::npos, kSqlNull) == 0)
      AppendJoined(texts.keyCondition, entry.substr(0, sign) + " IS NULL", " AND ");
    else
      AppendJoined(texts.keyCondition, entry, " AND ");
  }
  texts.assignments = JoinNonEmpty(dataFields, ", ");
  return texts;
}

std::string RecordSelect(const std::string& table, const RecordTexts& texts) {
  return "SELECT " + texts.keyColumns + " FROM " + table + " WHERE " + texts.keyCondition;
}

std::string RecordInsert(const std::string& table, const RecordTexts& texts) {
  return "INSERT INTO " + table + " (" + texts.keyColumns + ") VALUES (" + texts.keyValues + ")";
}

std::string RecordUpdate(const std::string& table, const RecordTexts& texts) {
  return "UPDATE " + table + " SET " + texts.assignments + " WHERE " + texts.keyCondition;
}

}  // namespace qorvid

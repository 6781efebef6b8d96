#include "database/record_statements.h"

#include "platform/bstr.h"

namespace qorvid {

namespace {
// Lower case of one UTF-16 unit for the scripts a code page of the component
// can carry: Latin (ASCII and Latin-1) and Cyrillic.
OLECHAR FoldCase(OLECHAR c) {
  if (c >= u'A' && c <= u'Z') return static_cast<OLECHAR>(c + 0x20);
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<OLECHAR>(c + 0x20);
  if (c >= 0x0410 && c <= 0x042F) return static_cast<OLECHAR>(c + 0x20);
  if (c >= 0x0400 && c <= 0x040F) return static_cast<OLECHAR>(c + 0x50);
  if (c >= 0x0460 && c <= 0x04FF && (c & 1) == 0) return static_cast<OLECHAR>(c + 1);
  return c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a == b) return true;
  WideString wa = WideFromAnsi(a);
  WideString wb = WideFromAnsi(b);
  if (wa.size() != wb.size()) return false;
  for (size_t i = 0; i < wa.size(); ++i)
    if (FoldCase(wa[i]) != FoldCase(wb[i])) return false;
  return true;
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
  texts.keyCondition = JoinNonEmpty(keyFields, " AND ");
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

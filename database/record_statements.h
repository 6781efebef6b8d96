// The statement texts of one-record editing, built from the table name and
// the name=literal entries of keyFields and dataFields.
#pragma once

#include <string>

#include "database/component_state.h"

namespace qorvid {

// The text before the first "=" of an entry; empty when there is none.
std::string EntryName(const std::string& entry);
// The text after "name=" of the first entry whose name equals name, ignoring
// letter case; empty when no entry matches.
std::string LookupEntryValue(const TextList& entries, const std::string& name);
// Joins the pieces with the separator, skipping empty pieces entirely.
std::string JoinNonEmpty(const TextList& pieces, const std::string& separator);

struct RecordTexts {
  std::string keyColumns;    // K: entry names of the keys, ", "
  std::string keyCondition;  // C: key entries, " AND "; Name=NULL as Name IS NULL
  std::string keyValues;     // V: looked-up key values, ", "
  std::string assignments;   // A: data entries, ", "
};
RecordTexts BuildRecordTexts(const TextList& keyFields, const TextList& dataFields);

std::string RecordSelect(const std::string& table, const RecordTexts& texts);
std::string RecordInsert(const std::string& table, const RecordTexts& texts);
std::string RecordUpdate(const std::string& table, const RecordTexts& texts);

}  // namespace qorvid

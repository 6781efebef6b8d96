// One-record editing: OpenRec starts a record, KeyField and DataField add
// name=literal entries, SaveRec writes the row with a SELECT, the INSERT of a
// missing key and an UPDATE. SaveRec runs its statements as they are, with no
// transaction of its own: a script that needs the steps atomic brackets it
// with BeginTrans/CommitTrans.
#include "automation/automation.h"
#include "automation/component_error.h"
#include "automation/cp1251.h"
#include "database/branches.h"
#include "database/record_statements.h"
#include "database/statement.h"
#include "encoding/sql_literal.h"

namespace qorvid {

namespace {
// The host may run anything while the value is converted, Shutdown and
// Initialize included, which free the lists: the list is looked up only
// after the literal is made, and the call fails cleanly when it is gone.
void AddEntry(ComponentState& state, MethodCall& call,
              std::unique_ptr<TextList> ComponentState::*list) {
  RequireList(state.*list);
  const std::string name = ValueText(call.param(0));
  Variant value = call.param(1);
  call.statementText = ValueToSqlLiteral(state, value.get());
  RequireList(state.*list).push_back(name + "=" + call.statementText);
}
}  // namespace

void OpenRecBranch(ComponentState& state, MethodCall& call) {
  RequireList(state.keyFields).clear();
  RequireList(state.dataFields).clear();
  state.tableName = ValueText(call.param(0));
}

void KeyFieldBranch(ComponentState& state, MethodCall& call) {
  AddEntry(state, call, &ComponentState::keyFields);
}

void DataFieldBranch(ComponentState& state, MethodCall& call) {
  AddEntry(state, call, &ComponentState::dataFields);
}

void SaveRecBranch(ComponentState& state, MethodCall& call) {
  if (state.tableName.empty()) throw ComponentError(CP1251("Сначала вызовите OpenRec"));
  call.statementText = "SELECT ";
  const RecordTexts texts =
      BuildRecordTexts(RequireList(state.keyFields), RequireList(state.dataFields));
  if (texts.keyColumns.empty()) throw ComponentError(CP1251("Сначала вызовите KeyField"));

  call.statementText = RecordSelect(state.tableName, texts);
  RunStatement(state, call.statementText);
  if (RecordsetAtEnd(state)) {
    call.statementText = RecordInsert(state.tableName, texts);
    RunStatement(state, call.statementText);
  }
  call.statementText = RecordUpdate(state.tableName, texts);
  RunStatement(state, call.statementText);
}

}  // namespace qorvid

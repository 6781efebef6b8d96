// One-record editing: OpenRec starts a record, KeyField and DataField add
// name=literal entries, SaveRec writes the row with a SELECT, the INSERT of a
// missing key and an UPDATE. SaveRec runs its statements as they are, with no
// transaction of its own: a script that needs the steps atomic brackets it
// with BeginTrans/CommitTrans.
#include "automation/automation.h"
#include "database/branches.h"
#include "database/record_statements.h"
#include "database/sql_literal.h"
#include "database/statement.h"
#include "errors/component_error.h"

namespace qorvid {

namespace {
// The host may run anything while the value is converted, Shutdown and
// Initialize included, which free the lists: the list is looked up only
// after the literal is made, and the call fails cleanly when it is gone.
void AddEntry(ComponentState& state, MethodCall& call, TextList StatementLists::*list) {
  state.initialised();
  const std::string name = call.paramText(0);
  // A text value becomes its literal without host code, so it is read in
  // place; anything else is copied first, as an object's key asks the host.
  const VARIANT* text = call.textParam(1);
  const std::string literal =
      text ? ValueToSqlLiteral(state, *text) : ValueToSqlLiteral(state, call.param(1).get());
  call.failureContext = literal;
  (state.initialised().*list).push_back(name + "=" + literal);
}
}  // namespace

void OpenRecBranch(ComponentState& state, MethodCall& call) {
  StatementLists& lists = state.initialised();
  lists.keyFields.clear();
  lists.dataFields.clear();
  state.tableName = call.paramText(0);
}

void KeyFieldBranch(ComponentState& state, MethodCall& call) {
  AddEntry(state, call, &StatementLists::keyFields);
}

void DataFieldBranch(ComponentState& state, MethodCall& call) {
  AddEntry(state, call, &StatementLists::dataFields);
}

void SaveRecBranch(ComponentState& state, MethodCall& call) {
  if (state.tableName.empty()) throw ComponentError("Сначала вызовите OpenRec");
  // Until the SELECT is built, a failure names the statement it was to be.
  call.failureContext = "SELECT ";
  const StatementLists& lists = state.initialised();
  const RecordTexts texts = BuildRecordTexts(lists.keyFields, lists.dataFields);
  if (texts.keyColumns.empty()) throw ComponentError("Сначала вызовите KeyField");

  std::string select = RecordSelect(state.tableName, texts);
  RunStatement(state, call, select);
  if (RecordsetAtEnd(state)) {
    std::string insert = RecordInsert(state.tableName, texts);
    RunStatement(state, call, insert);
  }
  std::string update = RecordUpdate(state.tableName, texts);
  RunStatement(state, call, update);
}

}  // namespace qorvid

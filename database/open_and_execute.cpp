// The connection and the current result set: Open, Close, Execute, MoveNext,
// FieldName and the EOF flag.
#include <utility>

#include "automation/automation.h"
#include "database/branches.h"
#include "database/dialect.h"
#include "database/normalized_value.h"
#include "database/statement.h"
#include "errors/component_error.h"
#include "platform/com_ptr.h"

namespace qorvid {

namespace {
// ADO's adUseClient: the component reads result sets with a client cursor.
const LONG kClientSideCursor = 3;
}  // namespace

void RunStatement(ComponentState& state, MethodCall& call, std::string& statement) {
  call.failureContext = statement;
  // A NUL ends the text for some providers and not for others: SQLite stops
  // there, an ODBC driver may run the part before it alone ("DELETE FROM t" of
  // "DELETE FROM t<NUL> WHERE ..."). No provider is given such a text.
  if (statement.find('\0') != std::string::npos)
    throw ComponentError("Текст запроса содержит символ NUL (U+0000); запрос не выполнен");
  Variant answer = Automation(state.adoConnection).call("Execute", {byRef(statement)});
  state.recordset = NormalizedValue(std::move(answer));
  call.failureContext = statement;
}

void OpenBranch(ComponentState& state, MethodCall& call) {
  CLSID clsid;
  HRESULT status = CLSIDFromProgID(OLESTR("ADODB.Connection"), &clsid);
  if (FAILED(status)) throw ComponentError(StatusMessage(status));
  ComPtr<IDispatch> connection;
  status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IDispatch, connection.putVoid());
  if (FAILED(status)) throw ComponentError(StatusMessage(status));
  if (!connection) throw ComponentError(StatusMessage(E_POINTER));

  // The previous object is dropped without Close: a script that wants it
  // closed calls Close first.
  state.adoConnection = Variant::fromDispatch(connection.get());
  state.dialect = SqlDialect();
  Automation ado(state.adoConnection);
  ado.put("CursorLocation", byValue(kClientSideCursor));
  Variant connectionString = call.param(0);
  ado.put("ConnectionString", byValue(connectionString.get()));
  ado.call("Open", {omitted()});
  LearnDialect(state);
}

void CloseBranch(ComponentState& state, MethodCall&) {
  Automation(state.adoConnection).call("Close");
  state.adoConnection.clear();
}

void ExecuteBranch(ComponentState& state, MethodCall& call) {
  std::string statement = call.paramText(0);
  if (statement.empty()) statement = AssemblePreparedStatement(state);
  try {
    RunStatement(state, call, statement);
    Variant fields = Automation(state.recordset).get("Fields");
    state.fieldsCount = IntegerValue(Automation(fields).get("Count"));
  } catch (const ComponentError& failure) {
    throw ComponentError(std::string("Ошибка запроса ") + statement + "\r\n" + failure.message());
  }
  RelearnDialectAfter(state, statement);
}

void MoveNextBranch(ComponentState& state, MethodCall&) {
  Automation(state.recordset).call("MoveNext");
}

void FieldNameBranch(ComponentState& state, MethodCall& call) {
  LONG position = IntegerValue(call.param(0));
  Variant field = Automation(state.recordset).getWith("Fields", byRef(position));
  call.setResult(NormalizedValue(Automation(field).get("Name")));
}

bool RecordsetAtEnd(const ComponentState& state) {
  return BooleanValue(Automation(state.recordset).get("EOF"));
}

}  // namespace qorvid

// Prepared query text: PrepareQuery cuts the text at its ? placeholders, Bind
// renders each value as an SQL literal at once, and the prepared path of
// Execute splices the literals in. The substitution is purely textual.
#include <string>

#include "automation/automation.h"
#include "database/branches.h"
#include "database/sql_literal.h"
#include "encoding/text_trim.h"
#include "errors/component_error.h"

namespace qorvid {

// The host may run anything while a value is converted, Shutdown and
// Initialize included, which free the lists: each branch takes its lists only
// after its last host call, and fails cleanly when they are gone.
void PrepareQueryBranch(ComponentState& state, MethodCall& call) {
  state.initialised();
  const std::string query = call.paramText(0);
  call.failureContext = query;
  const std::string text = TrimControlAndBlanks(query);
  TextList& parts = state.initialised().queryParts;
  TextList& values = state.initialised().boundValues;

  parts.clear();
  std::string piece;
  for (char c : text) {
    if (c == '?') {
      parts.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  parts.push_back(piece);
  values.clear();
}

void BindBranch(ComponentState& state, MethodCall& call) {
  state.initialised();
  Variant value = call.param(0);
  const std::string literal = ValueToSqlLiteral(state, value.get());
  call.failureContext = literal;
  state.initialised().boundValues.push_back(literal);
}

std::string AssemblePreparedStatement(ComponentState& state) {
  TextList& parts = state.initialised().queryParts;
  TextList& values = state.initialised().boundValues;
  if (parts.empty()) throw ComponentError("Сначала вызовите метод ПодготовитьЗапрос (Prepare)");
  if (values.empty()) throw ComponentError("Сначала вызовите метод ПараметрЗапроса (Bind)");

  // The empty entry pairs with the piece after the last placeholder. It stays
  // behind, so the same prepared query cannot run a second time.
  values.push_back(std::string());
  if (values.size() != parts.size()) {
    throw ComponentError(std::string("Не совпадает количество параметров запроса.") +
                         "\r\nBind: " + std::to_string(values.size()) +
                         " prepare:" + std::to_string(parts.size()));
  }
  std::string statement;
  for (size_t i = 0; i < parts.size(); ++i) {
    statement += parts[i];
    statement += values[i];
  }
  return statement;
}

}  // namespace qorvid

// Prepared query text: PrepareQuery cuts the text at its ? placeholders, Bind
// renders each value as an SQL literal at once, and the prepared path of
// Execute splices the literals in. The substitution is purely textual.
#include <string>

#include "automation/automation.h"
#include "automation/component_error.h"
#include "automation/cp1251.h"
#include "database/branches.h"
#include "encoding/sql_literal.h"

namespace qorvid {

namespace {
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string TrimBlanksAndControls(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
}  // namespace

// The host may run anything while a value is converted, Shutdown and
// Initialize included, which free the lists: each branch takes its lists only
// after its last host call, and fails cleanly when they are gone.
void PrepareQueryBranch(ComponentState& state, MethodCall& call) {
  RequireList(state.queryParts);
  call.statementText = ValueText(call.param(0));
  const std::string text = TrimBlanksAndControls(call.statementText);
  TextList& parts = RequireList(state.queryParts);
  TextList& values = RequireList(state.boundValues);

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
  RequireList(state.boundValues);
  Variant value = call.param(0);
  call.statementText = ValueToSqlLiteral(state, value.get());
  RequireList(state.boundValues).push_back(call.statementText);
}

void AssemblePreparedStatement(ComponentState& state, MethodCall& call) {
  TextList& parts = RequireList(state.queryParts);
  TextList& values = RequireList(state.boundValues);
  if (parts.empty())
    throw ComponentError(CP1251("Сначала вызовите метод ПодготовитьЗапрос (Prepare)"));
  if (values.empty()) throw ComponentError(CP1251("Сначала вызовите метод ПараметрЗапроса (Bind)"));

  // The empty entry pairs with the piece after the last placeholder. It stays
  // behind, so the same prepared query cannot run a second time.
  values.push_back(std::string());
  if (values.size() != parts.size()) {
    throw ComponentError(CP1251("Не совпадает количество параметров запроса.") +
                         "\r\nBind: " + std::to_string(values.size()) +
                         " prepare:" + std::to_string(parts.size()));
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    call.statementText += parts[i];
    call.statementText += values[i];
  }
}

}  // namespace qorvid

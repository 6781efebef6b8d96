#include "tests/database/script_session.h"

#include <gtest/gtest.h>

#include <utility>

#include "automation/automation.h"

namespace qorvid {

ScriptSession::ScriptSession() : ScriptSession(HostConnection::create()) {}

ScriptSession::ScriptSession(ComPtr<HostConnection> host) : host_(std::move(host)) {
  component_.init->Initialize(host_.get());
}

ScriptSession::~ScriptSession() { component_.init->Shutdown(); }

Variant ScriptSession::call(const std::string& method, const std::vector<Variant>& args) {
  return component_.call(method, args);
}

void ScriptSession::exec(const std::string& statement) {
  call("Execute", {Variant::fromUtf8(statement)});
  EXPECT_EQ(errorMsg(), "") << statement;
}

std::string ScriptSession::scalar(const std::string& query) {
  exec(query);
  Variant value = call("GetField", {Variant::fromInt(0)});
  EXPECT_EQ(errorMsg(), "") << query;
  return ValueText(value);
}

std::string ScriptSession::errorMsg() { return component_.errorMsg(); }
bool ScriptSession::eof() { return IntegerValue(component_.get("EOF")) != 0; }
LONG ScriptSession::fieldsCount() { return IntegerValue(component_.get("FieldsCount")); }

void ScriptSession::setTime(const std::string& text) { setTime(Variant::fromUtf8(text)); }
void ScriptSession::setTime(const Variant& value) { component_.set("Time", value); }

}  // namespace qorvid

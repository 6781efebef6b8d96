#include "tests/database/component_runner.h"

#include "automation/automation.h"

namespace qorvid {

Variant Text(const std::string& cp1251) { return Variant::fromUtf8(cp1251); }
Variant Int(LONG value) { return Variant::fromInt(value); }

ComponentRunner::ComponentRunner() : state(component_.state()) {
  component_.init->Initialize(&hostConnection_);
}

ComponentRunner::~ComponentRunner() { component_.init->Shutdown(); }

void ComponentRunner::dropLists() { component_.init->Shutdown(); }

Variant ComponentRunner::call(const std::string& method, const std::vector<Variant>& args) {
  Variant result = component_.call(method, args);
  errorMsg_ = component_.errorMsg();
  return result;
}

int ComponentRunner::eof() {
  Variant flag = component_.get("EOF");
  return flag.vt() == VT_I4 ? flag.get().lVal : -1;
}

}  // namespace qorvid

#include "tests/database/script_session.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

#include "automation/automation.h"

namespace qorvid {

namespace {
const std::map<std::string, long>& MethodNumbers() {
  static const std::map<std::string, long> numbers = {
      {"Open", 0},
      {"Close", 1},
      {"Execute", 2},
      {"MoveNext", 3},
      {"GetField", 4},
      {"GetFieldAsDateTime", 5},
      {"GetFieldAsObject", 6},
      {"PrepareQuery", 7},
      {"Bind", 8},
      {"OpenRec", 9},
      {"KeyField", 10},
      {"DataField", 11},
      {"SaveRec", 12},
      {"DeleteRec", 13},
      {"BeginTrans", 14},
      {"CommitTrans", 15},
      {"RollbackTrans", 16},
      {"FieldName", 17},
  };
  return numbers;
}

struct ArrayDeleter {
  void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
}  // namespace

ScriptSession::ScriptSession() : ScriptSession(HostConnection::create()) {}

ScriptSession::ScriptSession(ComPtr<HostConnection> host) : host_(std::move(host)) {
  AddInObject* object = new AddInObject();
  object->inner()->AddRef();
  extension_ = ComPtr<IScriptExtension>(object);
  init_ = ComPtr<IHostInit>(object);
  object->inner()->Release();
  init_->Initialize(host_.get());
}

ScriptSession::~ScriptSession() {
  init_->Shutdown();
  init_.reset();
  extension_.reset();
}

Variant ScriptSession::call(const std::string& method, const std::vector<Variant>& args) {
  std::unique_ptr<SAFEARRAY, ArrayDeleter> parameters(
      SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size())));
  for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
    Variant element(args[i]);
    SafeArrayPutElement(parameters.get(), &i, element.ptr());
  }
  Variant result;
  SAFEARRAY* array = parameters.get();
  extension_->CallAsFunction(MethodNumbers().at(method), result.ptr(), &array);
  return result;
}

void ScriptSession::exec(const std::string& statement) {
  call("Execute", {Variant::fromAnsi(statement)});
  EXPECT_EQ(errorMsg(), "") << statement;
}

std::string ScriptSession::scalar(const std::string& query) {
  exec(query);
  Variant value = call("GetField", {Variant::fromInt(0)});
  EXPECT_EQ(errorMsg(), "") << query;
  return ValueText(value);
}

Variant ScriptSession::property(long number) {
  Variant value;
  extension_->GetPropertyValue(number, value.ptr());
  return value;
}

std::string ScriptSession::errorMsg() { return ValueText(property(0)); }
bool ScriptSession::eof() { return IntegerValue(property(1)) != 0; }
LONG ScriptSession::fieldsCount() { return IntegerValue(property(2)); }

void ScriptSession::setTime(const std::string& text) { setTime(Variant::fromAnsi(text)); }

void ScriptSession::setTime(const Variant& value) {
  Variant copy(value);
  extension_->SetPropertyValue(3, copy.ptr());
}

}  // namespace qorvid

#include "tests/database/component_runner.h"

#include <map>
#include <memory>

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

Variant Text(const std::string& cp1251) { return Variant::fromAnsi(cp1251); }
Variant Int(LONG value) { return Variant::fromInt(value); }

ComponentRunner::ComponentRunner() : object_(new AddInObject()), state(object_->state()) {
  // The object starts with no reference; the two owners below keep it.
  object_->inner()->AddRef();
  extension_ = ComPtr<IScriptExtension>(object_);
  init_ = ComPtr<IHostInit>(object_);
  object_->inner()->Release();
  init_->Initialize(&hostConnection_);
}

ComponentRunner::~ComponentRunner() {
  init_->Shutdown();
  init_.reset();
  extension_.reset();
}

void ComponentRunner::dropLists() { init_->Shutdown(); }

Variant ComponentRunner::call(const std::string& method, const std::vector<Variant>& args) {
  std::unique_ptr<SAFEARRAY, ArrayDeleter> parameters(
      SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size())));
  for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
    Variant element(args[i]);
    SafeArrayPutElement(parameters.get(), &i, element.ptr());
  }
  Variant result;
  SAFEARRAY* array = parameters.get();
  extension_->CallAsFunction(MethodNumbers().at(method), result.ptr(), &array);
  Variant message;
  extension_->GetPropertyValue(0, message.ptr());
  errorMsg_ = ValueText(message);
  return result;
}

int ComponentRunner::eof() {
  Variant flag;
  extension_->GetPropertyValue(1, flag.ptr());
  return flag.vt() == VT_I4 ? flag.get().lVal : -1;
}

}  // namespace qorvid

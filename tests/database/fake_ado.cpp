#include "tests/database/fake_ado.h"

#include <cctype>

#include "platform/bstr.h"

namespace qorvid {

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

HRESULT Raise(EXCEPINFO* exception, const std::string& description) {
  if (exception) {
    exception->scode = DISP_E_EXCEPTION;
    exception->bstrSource = Bstr::fromUtf8("Fake ADO").detach();
    exception->bstrDescription = Bstr::fromUtf8(description).detach();
  }
  return DISP_E_EXCEPTION;
}

// A class id of the tests' own; the platform resolves the ProgID to it.
const CLSID kFakeAdoClsid = {
    0x5e1d0a01, 0x7c2b, 0x4d3e, {0x9a, 0x10, 0x42, 0x17, 0x6f, 0x0b, 0xd3, 0x21}};
FakeAdoClass* activeClass = nullptr;
}  // namespace

std::string TextOf(const Variant& value) {
  if (value.vt() == VT_BSTR) return Bstr(value.get().bstrVal).utf8();
  Variant text;
  if (FAILED(VariantChangeType(text.ptr(), const_cast<VARIANT*>(value.ptr()), 0, VT_BSTR)))
    return std::string();
  return Bstr(text.get().bstrVal).utf8();
}

FakeRecordset::FakeRecordset(Row row, bool atEnd) {
  for (auto& column : row) {
    auto field = std::make_unique<RecordingDispatch>();
    field->answer("Value", column.second);
    field->answer("Name", Variant::fromUtf8(column.first));
    columns.push_back(std::move(field));
  }
  for (auto& column : row) names_.push_back(column.first);
  fields.answer("Count", Variant::fromInt(static_cast<LONG>(row.size())));
  recordset.answer("EOF", Variant::fromBool(atEnd));
  recordset.member("MoveNext");
  recordset.onInvoke("Fields", [this](DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) {
    return fieldsAnswer(params, result, exception);
  });
}

HRESULT FakeRecordset::fieldsAnswer(DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) {
  Variant answer;
  if (!params || params->cArgs == 0) {
    answer = DispatchValue(&fields);
  } else {
    Variant selector;
    VariantCopyInd(selector.ptr(), &params->rgvarg[0]);
    long index = -1;
    if (selector.vt() == VT_BSTR) {
      const std::string wanted = Lower(TextOf(selector));
      for (size_t i = 0; i < names_.size(); ++i)
        if (Lower(names_[i]) == wanted) index = static_cast<long>(i);
    } else if (selector.vt() == VT_I4 || selector.vt() == VT_I2) {
      index = selector.vt() == VT_I4 ? selector.get().lVal : selector.get().iVal;
    }
    if (index < 0 || index >= static_cast<long>(columns.size()))
      return Raise(exception,
                   "Item cannot be found in the collection corresponding to the requested name "
                   "or ordinal.");
    answer = DispatchValue(columns[index].get());
  }
  if (result) answer.detachTo(result);
  return S_OK;
}

FakeConnection::FakeConnection() {
  for (const char* name : {"CursorLocation", "ConnectionString", "Open", "Close", "BeginTrans",
                           "CommitTrans", "RollbackTrans"})
    object.member(name);
  // A minimal ADO: no dynamic properties, so the database stays unknown.
  object.unknown("Properties");
  object.onInvoke("Execute", [this](DISPPARAMS*, VARIANT* result, EXCEPINFO* exception) {
    if (script_.empty()) return S_OK;
    Step step = std::move(script_.front());
    script_.pop_front();
    if (step.fails) return Raise(exception, step.description);
    if (result) step.answer.detachTo(result);
    return S_OK;
  });
}

void FakeConnection::thenReturn(const Variant& answer) {
  Step step;
  step.answer = answer;
  script_.push_back(std::move(step));
}

void FakeConnection::thenFail(const std::string& description) {
  Step step;
  step.fails = true;
  step.description = description;
  script_.push_back(std::move(step));
}

std::vector<std::string> FakeConnection::statements() const {
  std::vector<std::string> out;
  for (const auto& call : object.callsOf("Execute"))
    out.push_back(call.args.empty() ? std::string() : TextOf(call.args[0]));
  return out;
}

std::vector<std::string> FakeConnection::members() const {
  std::vector<std::string> out;
  for (const auto& call : object.calls()) out.push_back(call.member);
  return out;
}

// Hands out the queued connections of the active class.
class FakeAdoFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!activeClass || activeClass->queue_.empty()) return REGDB_E_CLASSNOTREG;
    FakeConnection* next = activeClass->queue_.front();
    activeClass->queue_.pop_front();
    ++activeClass->created_;
    return next->object.QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

namespace {
FakeAdoFactory factory;

HRESULT GetFakeAdoClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (clsid != kFakeAdoClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}
}  // namespace

FakeAdoClass::FakeAdoClass() {
  activeClass = this;
  PlatformRegisterClass(kFakeAdoClsid, "ADODB.Connection", &GetFakeAdoClassObject);
}

FakeAdoClass::~FakeAdoClass() {
  PlatformUnregisterClass(kFakeAdoClsid);
  activeClass = nullptr;
}

}  // namespace qorvid

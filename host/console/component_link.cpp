#include "host/console/component_link.h"

#include "host/console/utf.h"

namespace qorvid::host {

namespace {
// Owns the parameter array of one call.
class ParameterArray {
 public:
  explicit ParameterArray(ULONG count) : a_(SafeArrayCreateVector(VT_VARIANT, 0, count)) {}
  ~ParameterArray() {
    if (a_) SafeArrayDestroy(a_);
  }
  ParameterArray(const ParameterArray&) = delete;
  ParameterArray& operator=(const ParameterArray&) = delete;
  SAFEARRAY* get() const { return a_; }
  SAFEARRAY** slot() { return &a_; }

 private:
  SAFEARRAY* a_;
};
}  // namespace

bool ComponentLink::attach(IUnknown* object, HostSide& host, std::string& problem) {
  ComPtr<IUnknown> owner(object);
  init_ = owner.query<IHostInit>(IID_IHostInit);
  ext_ = owner.query<IScriptExtension>(IID_IScriptExtension);
  if (!init_ || !ext_) {
    init_.reset();
    ext_.reset();
    problem = "the component object offers no IHostInit or no IScriptExtension";
    return false;
  }
  init_->Initialize(host.connection());
  return true;
}

void ComponentLink::release() {
  if (init_) init_->Shutdown();
  ext_.reset();
  init_.reset();
}

long ComponentLink::findMethod(const WideString& name) {
  Bstr b(name);
  long n = -1;
  if (ext_->FindMethod(b.get(), &n) != S_OK) return -1;
  return n;
}

long ComponentLink::findProperty(const WideString& name) {
  Bstr b(name);
  long n = -1;
  if (ext_->FindProperty(b.get(), &n) != S_OK) return -1;
  return n;
}

long ComponentLink::paramCount(long method) {
  long n = 0;
  ext_->GetParamCount(method, &n);
  return n;
}

Variant ComponentLink::paramDefault(long method, long parameter) {
  Variant v;
  ext_->GetParamDefault(method, parameter, v.ptr());
  return v;
}

std::string ComponentLink::methodName(long number, long alias) {
  Bstr name;
  if (ext_->GetMethodName(number, alias, name.put()) != S_OK) return std::string();
  return Utf8FromBstr(name.get());
}

std::string ComponentLink::propertyName(long number, long alias) {
  Bstr name;
  if (ext_->GetPropertyName(number, alias, name.put()) != S_OK) return std::string();
  return Utf8FromBstr(name.get());
}

long ComponentLink::methodCount() {
  long n = 0;
  ext_->GetMethodCount(&n);
  return n;
}

long ComponentLink::propertyCount() {
  long n = 0;
  ext_->GetPropertyCount(&n);
  return n;
}

bool ComponentLink::propertyReadable(long number) {
  BOOL flag = FALSE;
  ext_->IsPropertyReadable(number, &flag);
  return flag != FALSE;
}

bool ComponentLink::propertyWritable(long number) {
  BOOL flag = FALSE;
  ext_->IsPropertyWritable(number, &flag);
  return flag != FALSE;
}

std::string ComponentLink::extensionName() {
  Bstr name;
  ext_->GetExtensionName(name.put());
  return Utf8FromBstr(name.get());
}

HRESULT ComponentLink::callAsFunction(long method, std::vector<Variant>& args, Variant& result) {
  ParameterArray params(static_cast<ULONG>(args.size()));
  if (!params.get() && !args.empty()) return E_OUTOFMEMORY;
  for (size_t i = 0; i < args.size(); ++i) {
    LONG index = static_cast<LONG>(i);
    SafeArrayPutElement(params.get(), &index, args[i].ptr());
  }
  return ext_->CallAsFunction(method, result.put(), params.slot());
}

HRESULT ComponentLink::getProperty(long number, Variant& value) {
  return ext_->GetPropertyValue(number, value.put());
}

HRESULT ComponentLink::setProperty(long number, Variant& value) {
  return ext_->SetPropertyValue(number, value.ptr());
}

}  // namespace qorvid::host

#include "bench/harness.h"

#include <time.h>

#include <stdexcept>

#include "ado/ado_registration.h"
#include "component/addin_object.h"

namespace qorvid::bench {

WideString Wide(const std::string& utf8) {
  if (utf8.empty()) return WideString();
  const int size = static_cast<int>(utf8.size());
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  WideString out(n > 0 ? n : 0, OLECHAR(0));
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &out[0], n);
  return out;
}

namespace {
double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
}  // namespace

double CpuSeconds() { return Seconds(CLOCK_PROCESS_CPUTIME_ID); }

double Timed(double (*clock)(), const std::function<void()>& work) {
  const double start = clock();
  work();
  return clock() - start;
}

Script::Script() : host_(host::HostConnection::create()) {
  AdoRegisterInProcess();
  AddInObject* object = new AddInObject();
  object->inner()->AddRef();
  extension_ = ComPtr<IScriptExtension>(object);
  init_ = ComPtr<IHostInit>(object);
  object->inner()->Release();
  init_->Initialize(host_.get());
  Bstr eof(Wide("EOF"));
  if (extension_->FindProperty(eof.get(), &eof_) != S_OK || eof_ < 0)
    throw std::runtime_error("no property EOF");
}

Script::~Script() { init_->Shutdown(); }

void Script::check(HRESULT hr, const OLECHAR* member) {
  if (hr == S_OK && host_->errorLog().empty()) return;
  std::string what = qorvid::platform::Utf8FromWide(WideString(member)) + " failed";
  if (!host_->errorLog().empty()) what += ": " + host_->errorLog().back().descriptionText();
  host_->clearErrorLog();
  throw std::runtime_error(what);
}

Variant Script::callWith(const Bstr& method, const Variant* const* args, int count) {
  long number = -1;
  if (extension_->FindMethod(method.get(), &number) != S_OK || number < 0)
    throw std::runtime_error("no method " + qorvid::platform::Utf8FromWide(method.wide()));
  SAFEARRAY* params = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
  for (LONG i = 0; i < count; ++i)
    SafeArrayPutElement(params, &i, const_cast<VARIANT*>(args[i]->ptr()));
  Variant result;
  HRESULT hr = extension_->CallAsFunction(number, result.ptr(), &params);
  SafeArrayDestroy(params);
  check(hr, method.get());
  return result;
}

Variant Script::call(const Bstr& method) { return callWith(method, nullptr, 0); }
Variant Script::call(const Bstr& method, const Variant& a) {
  const Variant* args[1] = {&a};
  return callWith(method, args, 1);
}
Variant Script::call(const Bstr& method, const Variant& a, const Variant& b) {
  // The array gets its own copies, as a host's would; no copy before that.
  const Variant* args[2] = {&a, &b};
  return callWith(method, args, 2);
}

bool Script::eof() {
  Variant value;
  check(extension_->GetPropertyValue(eof_, value.ptr()), OLESTR("EOF"));
  return value.vt() != VT_I4 || value.get().lVal != 0;
}

std::string NameOf(long i) { return "item-" + std::to_string(i); }
std::string NoteOf(long i) { return "Запись номер " + std::to_string(i); }

double RawBytes(long rows) {
  double bytes = 0;
  for (long i = 0; i < rows; ++i) bytes += 16.0 + NameOf(i).size() + NoteOf(i).size();
  return bytes;
}

long ReadThroughComponent(Script& script, const std::string& table) {
  const Bstr execute(Wide("Execute")), getField(Wide("GetField")), moveNext(Wide("MoveNext"));
  const Variant fields[4] = {Variant::fromInt(0), Variant::fromInt(1), Variant::fromInt(2),
                             Variant::fromInt(3)};
  script.call(execute, Text("SELECT id, name, amount, note FROM " + table));
  long rows = 0;
  while (!script.eof()) {
    for (const Variant& field : fields) script.call(getField, field);
    script.call(moveNext);
    ++rows;
  }
  return rows;
}

}  // namespace qorvid::bench

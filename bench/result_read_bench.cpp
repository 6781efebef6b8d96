// A large result read through the whole stack: the component over the ADO
// layer over SQLite, driven the way a script does it (Execute, then EOF /
// GetField / MoveNext per row). Targets for 100k rows (Release, one core):
// rows_per_second at least 80k, read_rss_growth_mb (memory taken by the
// SELECT and its reading) under 24; a result copied more than once shows up
// there first.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "ado/ado_registration.h"
#include "automation/automation.h"
#include "component/addin_object.h"
#include "host/host_connection.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

class Script {
 public:
  Script() {
    AdoRegisterInProcess();
    object_ = new AddInObject();
    object_->inner()->AddRef();
    extension_ = ComPtr<IScriptExtension>(object_);
    init_ = ComPtr<IHostInit>(object_);
    object_->inner()->Release();
    init_->Initialize(host_.get());
  }
  ~Script() { init_->Shutdown(); }

  // Calls a method by name as the host does; false when it is not found or fails.
  bool call(const char* method, Variant* result, const Variant* arg = nullptr) {
    Bstr name = Bstr::fromAnsi(method);
    long number = -1;
    if (extension_->FindMethod(name.get(), &number) != S_OK || number < 0) return false;
    SAFEARRAY* params = SafeArrayCreateVector(VT_VARIANT, 0, arg ? 1 : 0);
    if (arg) {
      LONG index[1] = {0};
      SafeArrayPutElement(params, index, const_cast<VARIANT*>(arg->ptr()));
    }
    HRESULT hr = extension_->CallAsFunction(number, result->ptr(), &params);
    SafeArrayDestroy(params);
    return hr == S_OK && host_->errorLog().empty();
  }
  bool eof() {
    Variant value;
    extension_->GetPropertyValue(1, value.ptr());
    return value.vt() != VT_I4 || value.get().lVal != 0;
  }

 private:
  ComPtr<HostConnection> host_ = HostConnection::create();
  AddInObject* object_ = nullptr;
  ComPtr<IScriptExtension> extension_;
  ComPtr<IHostInit> init_;
};

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

static void BM_ReadLargeResult(benchmark::State& state) {
  const long rows = static_cast<long>(state.range(0));
  Script script;
  Variant result;
  Variant open = Variant::fromAnsi("Provider=SQLite;Data Source=:memory:");
  Variant create = Variant::fromAnsi("CREATE TABLE t (id INTEGER, name TEXT, amount REAL)");
  if (!script.call("Open", &result, &open) || !script.call("Execute", &result, &create) ||
      !script.call("BeginTrans", &result)) {
    state.SkipWithError("could not open the database");
    return;
  }
  for (long i = 0; i < rows; ++i) {
    Variant insert =
        Variant::fromAnsi("INSERT INTO t VALUES (" + std::to_string(i) + ", 'row name " +
                          std::to_string(i) + "', " + std::to_string(i) + ".5)");
    if (!script.call("Execute", &result, &insert)) {
      state.SkipWithError("insert failed");
      return;
    }
  }
  script.call("CommitTrans", &result);
  const long rssBefore = PeakRssKb();

  Variant select = Variant::fromAnsi("SELECT id, name, amount FROM t");
  long read = 0;
  for (auto _ : state) {
    read = 0;
    if (!script.call("Execute", &result, &select)) {
      state.SkipWithError("select failed");
      return;
    }
    Variant field = Variant::fromInt(2);
    while (!script.eof()) {
      Variant value;
      script.call("GetField", &value, &field);
      benchmark::DoNotOptimize(value.ptr());
      script.call("MoveNext", &value);
      ++read;
    }
  }
  if (read != rows) state.SkipWithError("did not read every row");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * read);
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(read), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_rss_mb"] = static_cast<double>(PeakRssKb()) / 1024.0;
  state.counters["read_rss_growth_mb"] = static_cast<double>(PeakRssKb() - rssBefore) / 1024.0;
}
BENCHMARK(BM_ReadLargeResult)->Arg(1000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace qorvid

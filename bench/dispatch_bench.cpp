// The host's late-bound path into the component: FindMethod by name and
// CallAsFunction of a cheap method, on an object initialised with the
// reference host.
#include <benchmark/benchmark.h>

#include "bench/harness.h"
#include "platform/bstr.h"
#include "platform/variant.h"

namespace qorvid {

static void BM_FindMethod(benchmark::State& state) {
  bench::Script c;
  Bstr name = Bstr::fromUtf8("PrepareQuery");
  long number = -1;
  for (auto _ : state) {
    c.extension()->FindMethod(name.get(), &number);
    benchmark::DoNotOptimize(number);
  }
  if (number < 0) state.SkipWithError("PrepareQuery not found");
}
BENCHMARK(BM_FindMethod);

static void BM_CallPrepareQuery(benchmark::State& state) {
  bench::Script c;
  Bstr name = Bstr::fromUtf8("PrepareQuery");
  long number = -1;
  c.extension()->FindMethod(name.get(), &number);
  if (number < 0) {
    state.SkipWithError("PrepareQuery not found");
    return;
  }
  Variant text = Variant::fromUtf8("SELECT * FROM t WHERE id = ?");
  for (auto _ : state) {
    SAFEARRAY* params = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index[1] = {0};
    SafeArrayPutElement(params, index, const_cast<VARIANT*>(text.ptr()));
    Variant result;
    c.extension()->CallAsFunction(number, result.ptr(), &params);
    SafeArrayDestroy(params);
  }
}
BENCHMARK(BM_CallPrepareQuery);

}  // namespace qorvid

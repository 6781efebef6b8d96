// Value text encodings a script calls once per field of every row.
#include <benchmark/benchmark.h>

#include <string>

#include "encoding/value_text.h"

namespace qorvid {

static void BM_FloatText(benchmark::State& state) {
  double value = 12345.678901;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FloatText(value));
    value += 0.25;
  }
}
BENCHMARK(BM_FloatText);

static void BM_DateTimeText(benchmark::State& state) {
  const std::string format = "DD.MM.YYYY hh:mm:ss";
  double value = 45000.5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DateTimeText(format, value));
    value += 1.0 / 7;
  }
}
BENCHMARK(BM_DateTimeText);

static void BM_ObjectKeyRoundTrip(benchmark::State& state) {
  const std::string key =
      ObjectKeyFromInternal("{\"D\",\"0\",\"0\",\"    123456\",\"0\",\"0\",\"2147483646ABC\"}");
  for (auto _ : state) {
    std::string back = InternalFromObjectKey(key);
    benchmark::DoNotOptimize(ObjectKeyFromInternal(back));
  }
}
BENCHMARK(BM_ObjectKeyRoundTrip);

static void BM_EscapeSingleQuotes(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<size_t>(state.range(0))) text += "it's a 'quoted' text ";
  for (auto _ : state) benchmark::DoNotOptimize(EscapeSingleQuotes(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EscapeSingleQuotes)->Arg(1024)->Arg(64 * 1024);

}  // namespace qorvid

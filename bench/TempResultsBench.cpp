// Memory of the temperature test's result arrays and the time to build its "QxTEMPB.CSV" text.
#include <benchmark/benchmark.h>

#include <string>

#include "core/autotest/TempResultFiles.h"
#include "core/autotest/TempResults.h"

namespace {

using qx::autotest::TempResults;

/// The arrays laid out for the test's limits up front: Stats[14][31][10002] and, per meter,
/// values and unit texts of [31][10002] (points and modes counted from 1, plus one spare).
constexpr double kFixedLimitCells = 31.0 * 10002.0;
constexpr double kFixedLimitBytes =
    kFixedLimitCells * (TempResults::kKinds * sizeof(double) +
                        TempResults::kMeters * (sizeof(double) + sizeof(std::string)));

void Fill(TempResults& r, int points, int modes) {
  qx::analysis::NoiseResult noise;
  noise.groups[0] = {8388607.75, 1234.5678, 187.25, 19.87, 52, 7.91, 17.3};
  for (int t = 1; t <= points; ++t) {
    r.SetTarget(t, -40 + 10 * (t - 1), 0);
    for (int m = 1; m <= modes; ++m) {
      noise.groups[0].mean += 0.37;
      r.SetStats(t, m, noise);
      for (int i = 0; i < TempResults::kMeters; ++i) r.SetMeter(i, t, m, 1.234567 * m, "mVDC");
    }
  }
}

/// Bytes held for a run of `points` x `modes`, next to the fixed-limit layout.
void BM_ResultArrayBytes(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  const int modes = static_cast<int>(state.range(1));
  size_t bytes = 0;
  for (auto _ : state) {
    TempResults r;
    r.Resize(points, modes);
    Fill(r, points, modes);
    bytes = r.Bytes();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["fixed_limit_MB"] = kFixedLimitBytes / 1e6;
  state.counters["fixed_stats_only_MB"] = kFixedLimitCells * TempResults::kKinds * 8 / 1e6;
}
BENCHMARK(BM_ResultArrayBytes)
    ->Args({30, 10000})
    ->Args({5, 48})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

/// "QxTEMPB.CSV" after the last mode of a 30-point, 1000-mode run (the file is rewritten after
/// every mode, so this is the cost each mode pays at the end of a run).
void BM_ResultsText30x1000(benchmark::State& state) {
  TempResults r;
  r.Resize(30, 1000);
  Fill(r, 30, 1000);
  size_t size = 0;
  for (auto _ : state) {
    const std::string text = qx::autotest::temp_text::Results(r, 30, 1000, false, 0);
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_ResultsText30x1000)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();

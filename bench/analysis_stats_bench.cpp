// Noise statistics of a 65536-sample run: the figures of a capture (decoding included) and of
// a re-averaging. bench/analysis_vs_numpy.py compares them with numpy on the same values.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/analysis/SlotDecoder.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "sim/SimBoard.h"

namespace {

constexpr int kSamples = 65536;

/// The slots the benchmark and the numpy script share: a seeded Gaussian around a DC level.
std::vector<uint32_t> Slots() {
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0.0, 40.0);
  std::vector<uint32_t> slots;
  for (int i = 0; i < kSamples + 13; ++i)
    slots.push_back(static_cast<uint32_t>(static_cast<int32_t>(2'000'000 + noise(rng))) &
                    0xFFFFFFu);
  return slots;
}

struct Bench {
  qx::base::FakeClock clock;
  qx::base::RecordingHost host;
  qx::chip::ChipModel chip;
  qx::sim::SimBoard board{clock, chip};
  qx::app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
  Bench() {
    bench.capture.TXScaleChange(15);
    bench.settings.PointCount = kSamples;
  }
};

void BM_CaptureStatistics(benchmark::State& state) {
  Bench b;
  b.bench.capture.AnalyseSlots(Slots(), 13, "2.4", qx::analysis::kModeInterrupt);
  for (auto _ : state) {
    b.bench.capture.ComputeStatistics("2.4");
    benchmark::DoNotOptimize(b.bench.noise.groups[0].rmsNv);
  }
}
BENCHMARK(BM_CaptureStatistics)->Unit(benchmark::kMicrosecond);

/// Decoding 65549 recorded slots into samples as a capture takes them, then the statistics.
void BM_DecodeAndStatistics(benchmark::State& state) {
  Bench b;
  const auto slots = Slots();
  for (auto _ : state) {
    b.bench.capture.AnalyseSlots(slots, 13, "2.4", qx::analysis::kModeInterrupt);
    benchmark::DoNotOptimize(b.bench.noise.groups[0].rmsNv);
  }
}
BENCHMARK(BM_DecodeAndStatistics)->Unit(benchmark::kMicrosecond);

void BM_ReAveraging(benchmark::State& state) {
  Bench b;
  b.bench.capture.AnalyseSlots(Slots(), 13, "2.4", qx::analysis::kModeInterrupt);
  b.bench.settings.CMAVR = static_cast<int>(state.range(0));
  for (auto _ : state) {
    b.bench.capture.ReCalADC();
    benchmark::DoNotOptimize(b.bench.noise.groups[0].rmsNv);
  }
}
BENCHMARK(BM_ReAveraging)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

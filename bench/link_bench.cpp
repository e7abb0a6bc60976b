// Throughput of the core link over the simulated HID bridge, without real time.
#include <benchmark/benchmark.h>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "sim/SimBoard.h"

namespace {

struct Bench {
  qx::base::FakeClock clock;
  qx::base::RecordingHost host;
  qx::chip::ChipModel chip;
  qx::sim::SimBoard board{clock, chip};
  qx::app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
  Bench() {
    bench.target.LinkKind = qx::link::kLinkQx740x;
    bench.monitor.USBConnect();
  }
};

void BM_RegisterRead(benchmark::State& state) {
  Bench b;
  for (auto _ : state) benchmark::DoNotOptimize(b.bench.access.ReadBytes(0, 5));
}
BENCHMARK(BM_RegisterRead);

void BM_WriteRegWithReadBack(benchmark::State& state) {
  Bench b;
  uint8_t v = 0;
  for (auto _ : state) b.bench.access.WriteReg(2, v++);
}
BENCHMARK(BM_WriteRegWithReadBack);

void BM_StreamPoll21(benchmark::State& state) {
  Bench b;
  b.bench.access.StartAdcStream(1);
  int count = 0;
  for (auto _ : state) {
    b.clock.Advance(1000);
    b.bench.access.PollAdcStream(count);
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_StreamPoll21);

void BM_FullScanNoBridge(benchmark::State& state) {
  Bench b;
  b.board.Bridge().Unplug();
  qx::link::UsbLink link;
  for (auto _ : state) benchmark::DoNotOptimize(b.bench.usb.UsbOpen(link));
}
BENCHMARK(BM_FullScanNoBridge);

}  // namespace

BENCHMARK_MAIN();

// libFuzzer target: any bytes as a recorded stream for `qxctl stats`. The reader must accept or
// refuse it without crashing, and an accepted stream must give finite figures.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis/SlotDecoder.h"
#include "core/analysis/SlotFile.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<uint32_t> slots;
  std::string error;
  if (!analysis::SlotFile::Parse(text, slots, error)) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  if (slots.size() > 65536 + 13) return 0;
  for (uint32_t s : slots)
    if (s > 0xFFFFFF) __builtin_trap();

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench(clock, host, hid, bulk);
  bench.capture.TXScaleChange(static_cast<int>(size % 16));
  bench.settings.PointCount = 65536;
  const int skip = static_cast<int>(size % 20);
  if (bench.capture.AnalyseSlots(slots, skip, "2.4", analysis::kModeInterrupt)) {
    const auto& f = bench.noise.groups[0];
    if (!std::isfinite(f.mean) || !std::isfinite(f.rmsNv) || !std::isfinite(f.enob))
      __builtin_trap();
  }
  bench.settings.CMAVR = static_cast<int>(size % 6);
  bench.capture.ReCalADC();
  return 0;
}

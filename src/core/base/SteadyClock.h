#pragma once

#include <chrono>
#include <thread>

#include "core/base/Clock.h"

namespace qx::base {

/// The wall clock of the real program. Waits sleep instead of spinning, so a 4 s serial retry
/// costs no processor time; like the bridge's own busy waits they still let no window message
/// run.
class SteadyClock final : public Clock {
 public:
  double NowMs() override {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
  }
  void WaitMs(double ms) override {
    if (ms <= 0) return;
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double, std::milli>(ms));
    std::this_thread::sleep_until(until);
  }
};

}  // namespace qx::base

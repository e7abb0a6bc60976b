#pragma once

#include "core/base/Clock.h"

namespace qx::base {

/// Virtual time: a wait advances the clock at once. Used by tests and by headless runs that
/// must not sleep.
class FakeClock final : public Clock {
 public:
  double NowMs() override { return now_; }
  void WaitMs(double ms) override {
    if (ms > 0) now_ += ms;
    waited_ += ms > 0 ? ms : 0;
  }
  void Advance(double ms) { now_ += ms; }
  /// Total of all waits so far, in milliseconds.
  double WaitedMs() const { return waited_; }

 private:
  double now_ = 0;
  double waited_ = 0;
};

}  // namespace qx::base

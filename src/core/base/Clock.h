#pragma once

namespace qx::base {

/// Time source of the behaviour. Every wait of the link and the tests goes through it, so tests can
/// run hour-long holds in microseconds and the real program can sleep instead of spinning a core.
class Clock {
 public:
  virtual ~Clock() = default;

  /// Milliseconds on a monotonic clock; only differences are meaningful.
  virtual double NowMs() = 0;

  /// Returns once more than `ms` milliseconds have passed. Window messages are not processed.
  virtual void WaitMs(double ms) = 0;

  /// The same wait for a span given as a fraction of a day.
  void WaitSpan(double days) { WaitMs(days * 86'400'000.0); }
};

}  // namespace qx::base

#pragma once

#include <complex>
#include <memory>
#include <span>

#include "core/analysis/RealFft.h"

namespace qx::platform {

/// Real-input FFT of one size on FFTW3 (double precision). The plan is made once, in the
/// constructor, over buffers from fftw_malloc that the object keeps, and every Forward runs it.
///
/// Planning: FFTW_ESTIMATE by default. For the segment sizes the noise spectrum uses (products
/// of 2, 3 and 5) a measured plan saves about a fifth of the transform time, 0.1 ms on a
/// 65536-sample spectrum, but FFTW_MEASURE spends about two seconds of CPU planning a
/// 14400-point segment the first time in a process, on the GUI thread, and the size changes
/// with every point count and averaging factor; an estimated plan takes a few milliseconds.
/// The spectrum benchmark times both.
///
/// Threads: FFTW's planner (plan creation and destruction) is not thread-safe. Objects are made
/// and destroyed only on the thread that computes the spectrum (the GUI thread); nothing here
/// starts a thread, and no two threads may make or destroy these objects at once.
class FftwRealFft final : public analysis::RealFft {
 public:
  /// How the plan is chosen: Estimate guesses from the size at once (the default, see above);
  /// Measure times candidate algorithms on the buffers first.
  enum class Planning { Estimate, Measure };

  /// nullptr when `size` is below 2 or FFTW cannot plan it.
  static std::unique_ptr<FftwRealFft> Create(int size, Planning planning = Planning::Estimate);
  ~FftwRealFft() override;
  FftwRealFft(const FftwRealFft&) = delete;
  FftwRealFft& operator=(const FftwRealFft&) = delete;

  int Size() const override { return size_; }
  /// Copies `in` (Size() values; fewer are padded with zeros, more are cut) into the planned
  /// input buffer and runs the plan.
  std::span<const std::complex<double>> Forward(std::span<const double> in) override;

 private:
  struct Buffers;
  FftwRealFft(int size, std::unique_ptr<Buffers> buffers);

  int size_;
  std::unique_ptr<Buffers> buffers_;
};

/// The factory the noise spectrum takes: FFTW transforms of any size.
analysis::RealFftFactory FftwRealFftFactory(
    FftwRealFft::Planning planning = FftwRealFft::Planning::Estimate);

}  // namespace qx::platform

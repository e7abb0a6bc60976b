#pragma once

#include <complex>
#include <functional>
#include <memory>
#include <span>

namespace qx::analysis {

/// Forward discrete Fourier transform of real data, of one size fixed when the object is made.
/// The noise spectrum reaches the FFT library only through this seam (the platform layer holds
/// the FFTW backend). Not thread-safe: one object is used by one thread.
class RealFft {
 public:
  virtual ~RealFft() = default;
  /// The number of real inputs the transform takes.
  virtual int Size() const = 0;
  /// X[k] = sum over t of in[t] e^(-2 pi i k t / Size()) for k = 0 .. Size() / 2, unnormalised.
  /// `in` holds Size() values. The bins stay valid until the next call or the object's end.
  virtual std::span<const std::complex<double>> Forward(std::span<const double> in) = 0;
};

/// Makes the transform of one size; nullptr when it cannot.
using RealFftFactory = std::function<std::unique_ptr<RealFft>(int size)>;

}  // namespace qx::analysis

#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/analysis/RealFft.h"

namespace qx::analysis {

/// What the spectrum is computed for.
struct SpectrumSettings {
  /// Rate of the codes given, positive: the output data rate of the capture, divided by the
  /// averaging factor when the codes are group averages.
  double sampleRateHz = 0;
  int bits = 23;         ///< resolution B of the display codes (full scale +-2^(B-1) codes)
  double nvPerCode = 0;  ///< input-referred nanovolts of one display code
  int segments = 8;      ///< Welch segments (at least 1)
};

/// One-sided noise spectrum of a capture. Bin k is at k x binHz, k = 0 .. segmentLength / 2.
struct SpectrumResult {
  std::vector<double> frequencyHz;
  std::vector<double> psd;        ///< power spectral density, codes^2/Hz
  std::vector<double> densityNv;  ///< noise density, nV/sqrt(Hz)
  /// dB relative to a full-scale sine: 10 log10(P / Pfs) with Pfs = (2^(B-1))^2 / 2 codes^2 and
  /// P the power of bin k on the sine scale (psd x binHz x enbwBins), on which a sine at a
  /// bin's frequency reads its own power. A full-scale sine therefore peaks at 0 dB, and the
  /// noise floor of each bin is its noise power in enbwBins bins. Never below kLevelFloorDb.
  std::vector<double> levelDbfs;

  double sampleRateHz = 0;
  double binHz = 0;            ///< frequency step, sampleRateHz / segmentLength
  int segmentLength = 0;       ///< samples per segment (0 when nothing was computed)
  int segments = 0;            ///< segments averaged
  double enbwBins = 0;         ///< equivalent noise bandwidth of the window, in bins
  double integratedCodes = 0;  ///< sqrt(sum of psd x binHz over the bins above DC): RMS noise
  double integratedNv = 0;
  /// Why there is no spectrum (empty when there is one); every vector is then empty.
  std::string notice;
};

/// Welch-averaged periodogram of the display codes of a capture.
///
/// Window: the 4-term Blackman-Harris window (periodic, a0..a3 = 0.35875, 0.48829, 0.14128,
/// 0.01168). The spectrum of a precision ADC usually carries mains pickup and slow drift far
/// above a white floor 120 dB or more below full scale; Hann's sidelobes (-31 dB, falling
/// 18 dB per octave) would smear that leakage over the floor, Blackman-Harris keeps every
/// sidelobe below -92 dB. Its wider main lobe (2.0 bins of noise bandwidth against 1.5) costs
/// little with thousands of bins.
///
/// Segmentation: `segments` (K) segments with 50 % overlap. The segment length is twice the
/// largest number with no prime factor above 5 that is not above count / (K + 1), so the K
/// segments fit and the FFT size factors well (65536 samples, K = 8: 14400 samples per segment,
/// step 7200; the last 736 samples are not used. The longest length that fits, 14562 =
/// 2 x 3^2 x 809, transforms four times slower). Each segment has its own mean removed before
/// the window. Density scaling: psd = 2 |X|^2 / (fs sum w^2), averaged over the segments, not
/// doubled at DC and at the Nyquist bin, so the integral over the band is the variance.
///
/// The object keeps its FFT, window and buffers between calls of the same segment length:
/// once warmed, a call allocates nothing. One object is used by one thread.
class NoiseSpectrum {
 public:
  static constexpr double kLevelFloorDb = -300;
  static constexpr int kMinimumSegmentLength = 4;

  explicit NoiseSpectrum(RealFftFactory factory);

  /// Computes the spectrum of `codes`; the result stays valid until the next call.
  const SpectrumResult& Compute(std::span<const double> codes, const SpectrumSettings& settings);
  const SpectrumResult& Result() const { return result_; }

  /// Segment length for `count` samples in `segments` segments; 0 when they are too few for a
  /// segment of kMinimumSegmentLength.
  static int SegmentLength(int count, int segments);

 private:
  bool Prepare(int length);
  const SpectrumResult& Refuse(std::string why);

  RealFftFactory factory_;
  std::unique_ptr<RealFft> fft_;
  std::vector<double> window_;
  std::vector<double> segment_;
  std::vector<double> power_;
  double windowSum_ = 0;
  double windowSquares_ = 0;
  SpectrumResult result_;
};

}  // namespace qx::analysis

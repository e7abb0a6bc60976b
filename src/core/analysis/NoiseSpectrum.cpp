#include "core/analysis/NoiseSpectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace qx::analysis {

namespace {

bool HasOnlySmallFactors(int m) {
  for (const int p : {2, 3, 5})
    while (m % p == 0) m /= p;
  return m == 1;
}

/// The largest number not above `m` (>= 1) with no prime factor above 5.
int LargestSmooth(int m) {
  while (m > 1 && !HasOnlySmallFactors(m)) --m;
  return m;
}

}  // namespace

NoiseSpectrum::NoiseSpectrum(RealFftFactory factory) : factory_(std::move(factory)) {}

int NoiseSpectrum::SegmentLength(int count, int segments) {
  if (segments < 1 || count < 1) return 0;
  const int half = count / (segments + 1);
  const int length = 2 * LargestSmooth(half);
  return half > 0 && length >= kMinimumSegmentLength ? length : 0;
}

const SpectrumResult& NoiseSpectrum::Refuse(std::string why) {
  SpectrumResult& r = result_;
  r.frequencyHz.clear();
  r.psd.clear();
  r.densityNv.clear();
  r.levelDbfs.clear();
  r.sampleRateHz = r.binHz = r.enbwBins = r.integratedCodes = r.integratedNv = 0;
  r.segmentLength = r.segments = 0;
  r.notice = std::move(why);
  return r;
}

bool NoiseSpectrum::Prepare(int length) {
  if (fft_ && fft_->Size() == length) return true;
  fft_.reset();
  if (factory_) fft_ = factory_(length);
  if (!fft_ || fft_->Size() != length) {
    fft_.reset();
    return false;
  }
  const auto size = static_cast<size_t>(length);
  window_.resize(size);
  segment_.resize(size);
  power_.resize(size / 2 + 1);
  windowSum_ = windowSquares_ = 0;
  constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
  for (size_t t = 0; t < size; ++t) {
    const double phase = 2 * std::numbers::pi * static_cast<double>(t) / length;
    const double w =
        a0 - a1 * std::cos(phase) + a2 * std::cos(2 * phase) - a3 * std::cos(3 * phase);
    window_[t] = w;
    windowSum_ += w;
    windowSquares_ += w * w;
  }
  return true;
}

const SpectrumResult& NoiseSpectrum::Compute(std::span<const double> codes,
                                             const SpectrumSettings& settings) {
  const double fs = settings.sampleRateHz;
  if (!(fs > 0) || !std::isfinite(fs))
    return Refuse("no spectrum: the sample rate of the capture is unknown");
  const int count = static_cast<int>(std::min<size_t>(codes.size(), 1u << 30));
  const int segments = std::max(settings.segments, 1);
  const int length = SegmentLength(count, segments);
  if (length == 0)
    return Refuse("no spectrum: " + std::to_string(count) + " samples are too few for " +
                  std::to_string(segments) + " segments");
  if (!Prepare(length))
    return Refuse("no spectrum: no FFT of " + std::to_string(length) + " points");

  const auto size = static_cast<size_t>(length);
  const size_t step = size / 2;
  std::fill(power_.begin(), power_.end(), 0.0);
  for (int s = 0; s < segments; ++s) {
    const double* x = codes.data() + static_cast<size_t>(s) * step;
    double sum = 0;
    for (size_t t = 0; t < size; ++t) sum += x[t];
    const double mean = sum / length;
    if (!std::isfinite(mean))
      return Refuse("no spectrum: the capture holds a value that is no number");
    for (size_t t = 0; t < size; ++t) segment_[t] = (x[t] - mean) * window_[t];
    const auto bins = fft_->Forward(segment_);
    for (size_t k = 0; k < power_.size(); ++k) power_[k] += std::norm(bins[k]);
  }

  SpectrumResult& r = result_;
  r.notice.clear();
  r.sampleRateHz = fs;
  r.segmentLength = length;
  r.segments = segments;
  r.binHz = fs / length;
  r.enbwBins = length * windowSquares_ / (windowSum_ * windowSum_);
  const int bits = std::max(settings.bits, 1);
  const double fullScale = std::ldexp(1.0, bits - 1);
  const double fullScalePower = fullScale * fullScale / 2;
  const double scale = 1 / (segments * fs * windowSquares_);
  const size_t nyquist = size / 2;

  const size_t bins = power_.size();
  r.frequencyHz.resize(bins);
  r.psd.resize(bins);
  r.densityNv.resize(bins);
  r.levelDbfs.resize(bins);
  double band = 0;
  for (size_t k = 0; k < bins; ++k) {
    const double psd = power_[k] * scale * (k == 0 || k == nyquist ? 1 : 2);
    r.frequencyHz[k] = static_cast<double>(k) * r.binHz;
    r.psd[k] = psd;
    r.densityNv[k] = std::sqrt(psd) * settings.nvPerCode;
    const double power = psd * r.binHz * r.enbwBins / fullScalePower;
    r.levelDbfs[k] = power > 0 ? std::max(10 * std::log10(power), kLevelFloorDb) : kLevelFloorDb;
    if (k > 0) band += psd;
  }
  r.integratedCodes = std::sqrt(band * r.binHz);
  r.integratedNv = r.integratedCodes * settings.nvPerCode;
  return r;
}

}  // namespace qx::analysis

#include "platform/FftwRealFft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "core/analysis/NoiseSpectrum.h"

namespace qx::platform {
namespace {

using analysis::NoiseSpectrum;

TEST(FftwRealFft, TransformsACosineIntoItsTwoBins) {
  for (const auto planning : {FftwRealFft::Planning::Measure, FftwRealFft::Planning::Estimate}) {
    auto fft = FftwRealFft::Create(50, planning);
    ASSERT_TRUE(fft);
    EXPECT_EQ(fft->Size(), 50);
    std::vector<double> x;
    for (int t = 0; t < 50; ++t) x.push_back(2 + std::cos(2 * std::numbers::pi * 3 * t / 50));
    const auto bins = fft->Forward(x);
    ASSERT_EQ(bins.size(), 26u);
    for (size_t k = 0; k < bins.size(); ++k) {
      const double want = k == 0 ? 100 : k == 3 ? 25 : 0;
      EXPECT_NEAR(bins[k].real(), want, 1e-9) << "bin " << k;
      EXPECT_NEAR(bins[k].imag(), 0, 1e-9) << "bin " << k;
    }
    // The plan runs again on new data in the same buffers.
    std::fill(x.begin(), x.end(), 1.0);
    EXPECT_NEAR(fft->Forward(x)[0].real(), 50, 1e-12);
    EXPECT_NEAR(std::abs(fft->Forward(x)[3]), 0, 1e-12);
  }
  EXPECT_EQ(FftwRealFft::Create(1), nullptr);
  EXPECT_EQ(FftwRealFft::Create(-4), nullptr);
}

TEST(FftwRealFft, SpectrumMatchesScipyWelch) {
  // scipy.signal.welch(x, fs=80.0, window='blackmanharris', nperseg=50, noverlap=25,
  //                    detrend='constant', scaling='density'), scipy 1.10, on
  // x[t] = 100 + 7 sin(0.9 t) + (37 t mod 11) - 5 for t = 0 .. 99.
  const std::vector<double> want{
      0.001329475800519715, 0.0012209827262237437, 0.0010524630713279433, 0.04146845495676606,
      0.22045352094183826,  0.43255326503651537,   2.8031478806645533,    7.408445077509119,
      4.21207606127538,     0.49872791243557585,   0.07711278071320628,   0.009017542162788461,
      0.06353355000915939,  0.3917222150115886,    0.4824907165325123,    0.1257624428810876,
      0.04630128973153428,  0.6660073505074949,    1.9156816646411718,    1.1765791714135083,
      0.13778111851215938,  0.018094033320705045,  0.12579126399829718,   0.1780878013479612,
      0.05334841583837582,  0.0023076372416552136};
  std::vector<double> x;
  for (int t = 0; t < 100; ++t) x.push_back(100 + 7 * std::sin(0.9 * t) + ((t * 37) % 11) - 5.0);
  NoiseSpectrum spectrum(FftwRealFftFactory());
  const auto& r =
      spectrum.Compute(x, {.sampleRateHz = 80, .bits = 16, .nvPerCode = 1, .segments = 3});
  ASSERT_EQ(r.segmentLength, 50);
  ASSERT_EQ(r.psd.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k)
    EXPECT_NEAR(r.psd[k], want[k], 1e-9 * want[k] + 1e-15) << "bin " << k;
}

TEST(FftwRealFft, SineInWhiteNoiseShowsItsBinTheFloorAndTheNoise) {
  constexpr int kCount = 65536;
  constexpr double kRate = 2560;
  constexpr double kSigma = 4;
  constexpr double kAmplitude = 1000;
  constexpr double kTone = 50;
  std::mt19937_64 rng(2024);
  std::normal_distribution<double> gauss(0, kSigma);
  std::vector<double> noise, signal;
  for (int t = 0; t < kCount; ++t) {
    noise.push_back(-3000 + gauss(rng));
    signal.push_back(noise.back() +
                     kAmplitude * std::sin(2 * std::numbers::pi * kTone * t / kRate));
  }
  NoiseSpectrum spectrum(FftwRealFftFactory());
  const analysis::SpectrumSettings settings{.sampleRateHz = kRate, .bits = 23, .nvPerCode = 572.2};
  const auto& r = spectrum.Compute(signal, settings);
  ASSERT_EQ(r.segmentLength, 14400);
  ASSERT_EQ(r.segments, 8);

  const auto peak =
      static_cast<size_t>(std::max_element(r.psd.begin(), r.psd.end()) - r.psd.begin());
  EXPECT_EQ(peak, static_cast<size_t>(std::lround(kTone / r.binHz)));
  EXPECT_NEAR(r.frequencyHz[peak], kTone, r.binHz / 2);

  // Floor: the median density away from DC and from the tone, against white noise of sigma
  // spread over fs / 2.
  std::vector<double> floor;
  for (size_t k = 20; k < r.psd.size(); ++k)
    if (k + 20 < peak || k > peak + 20) floor.push_back(r.psd[k]);
  std::nth_element(floor.begin(), floor.begin() + floor.size() / 2, floor.end());
  const double median = floor[floor.size() / 2];
  EXPECT_NEAR(10 * std::log10(median / (kSigma * kSigma / (kRate / 2))), 0, 1.0);
  // The band holds the tone's power and the noise's.
  EXPECT_NEAR(r.integratedCodes, std::sqrt(kSigma * kSigma + kAmplitude * kAmplitude / 2),
              0.01 * kAmplitude);

  const auto& n = spectrum.Compute(noise, settings);
  EXPECT_NEAR(n.integratedCodes / kSigma, 1.0, 0.03);
  EXPECT_NEAR(n.integratedNv, n.integratedCodes * 572.2, 1e-6);
}

}  // namespace
}  // namespace qx::platform

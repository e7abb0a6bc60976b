#include "core/analysis/NoiseSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace qx::analysis {
namespace {

/// The transform by its definition, O(n^2): an FFT the spectrum cannot tell from a real one.
class DirectDft final : public RealFft {
 public:
  explicit DirectDft(int size) : size_(size), out_(static_cast<size_t>(size / 2 + 1)) {}
  int Size() const override { return size_; }
  std::span<const std::complex<double>> Forward(std::span<const double> in) override {
    for (size_t k = 0; k < out_.size(); ++k) {
      std::complex<double> sum;
      for (size_t t = 0; t < static_cast<size_t>(size_); ++t)
        sum += in[t] * std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(k * t) / size_);
      out_[k] = sum;
    }
    return out_;
  }

 private:
  int size_;
  std::vector<std::complex<double>> out_;
};

struct Factory {
  std::vector<int> made;  ///< sizes asked for, in order
  RealFftFactory Get() {
    return [this](int size) {
      made.push_back(size);
      return std::make_unique<DirectDft>(size);
    };
  }
};

/// A test sequence (the same formula was written out in Python for the reference values).
std::vector<double> Sequence(int n) {
  std::vector<double> x;
  for (int t = 0; t < n; ++t) x.push_back(100 + 7 * std::sin(0.9 * t) + ((t * 37) % 11) - 5.0);
  return x;
}

TEST(NoiseSpectrum, SegmentsOverlapByHalfAndHaveSmallPrimeFactors) {
  EXPECT_EQ(NoiseSpectrum::SegmentLength(65536, 8), 14400);  // 65536 / 9 = 7281 -> 7200
  EXPECT_EQ(NoiseSpectrum::SegmentLength(48, 2), 32);
  EXPECT_EQ(NoiseSpectrum::SegmentLength(100, 3), 50);
  EXPECT_EQ(NoiseSpectrum::SegmentLength(1024, 1), 1024);
  EXPECT_EQ(NoiseSpectrum::SegmentLength(2 * 11 * 9, 8), 2 * 20);  // 22 -> 21 -> 20
  EXPECT_EQ(NoiseSpectrum::SegmentLength(18, 8), 4);
  EXPECT_EQ(NoiseSpectrum::SegmentLength(17, 8), 0);
  EXPECT_EQ(NoiseSpectrum::SegmentLength(100, 0), 0);
}

TEST(NoiseSpectrum, DensityMatchesScipyWelch) {
  // scipy.signal.welch(x, fs=10.0, window='blackmanharris', nperseg=32, noverlap=16,
  //                    detrend='constant', scaling='density') on Sequence(48), scipy 1.10.
  const std::vector<double> want{0.12755744484766804, 0.12332239121407368, 1.1417157791133565,
                                 10.253716978864622,  36.34381980409413,   37.2509230067477,
                                 9.920618815699713,   1.4259808100027873,  1.9063199048450283,
                                 2.576563807202408,   1.865280983858914,   7.361151438742628,
                                 9.118519236939719,   2.569883759737826,   0.8941136092020825,
                                 0.8412111445417458,  0.19431799117405765};
  Factory f;
  NoiseSpectrum spectrum(f.Get());
  const auto& r = spectrum.Compute(Sequence(48),
                                   {.sampleRateHz = 10, .bits = 16, .nvPerCode = 3, .segments = 2});
  ASSERT_TRUE(r.notice.empty());
  EXPECT_EQ(r.segmentLength, 32);
  EXPECT_EQ(r.segments, 2);
  EXPECT_DOUBLE_EQ(r.binHz, 0.3125);
  ASSERT_EQ(r.psd.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) {
    EXPECT_NEAR(r.psd[k], want[k], 1e-9 * want[k] + 1e-12) << "bin " << k;
    EXPECT_DOUBLE_EQ(r.frequencyHz[k], 0.3125 * static_cast<double>(k));
    EXPECT_NEAR(r.densityNv[k], 3 * std::sqrt(want[k]), 1e-9);
  }
  // The integrated noise leaves out the DC bin.
  double band = 0;
  for (size_t k = 1; k < want.size(); ++k) band += want[k] * 0.3125;
  EXPECT_NEAR(r.integratedCodes, std::sqrt(band), 1e-9);
  EXPECT_NEAR(r.integratedNv, 3 * std::sqrt(band), 1e-9);
  // Blackman-Harris: n sum w^2 / (sum w)^2 = 2.0044 bins for 32 points.
  EXPECT_NEAR(r.enbwBins, 2.0044, 1e-3);
}

TEST(NoiseSpectrum, ASineAtABinReadsItsLevelAndItsPowerInTheBand) {
  // A sine on bin 37 of 256-sample segments, amplitude 1/8 of the 16-bit full scale: -18.06 dB.
  constexpr int kLength = 256;
  constexpr double kAmplitude = 4096;
  std::vector<double> x;
  for (int t = 0; t < 9 * kLength / 2; ++t)
    x.push_back(500 + kAmplitude * std::sin(2 * std::numbers::pi * 37 * t / kLength + 0.3));
  Factory f;
  NoiseSpectrum spectrum(f.Get());
  const auto& r = spectrum.Compute(x, {.sampleRateHz = 1000, .bits = 16, .nvPerCode = 1});
  ASSERT_EQ(r.segmentLength, kLength);
  const auto peak = std::max_element(r.levelDbfs.begin(), r.levelDbfs.end()) - r.levelDbfs.begin();
  EXPECT_EQ(peak, 37);
  EXPECT_NEAR(r.frequencyHz[37], 37 * 1000.0 / kLength, 1e-9);
  EXPECT_NEAR(r.levelDbfs[37], 20 * std::log10(kAmplitude / 32768), 1e-9);
  // Far from the tone the window leaves nothing above rounding noise.
  EXPECT_LT(r.levelDbfs[90], -150);
  // Parseval: the band holds the sine's RMS, the DC offset none of it.
  EXPECT_NEAR(r.integratedCodes, kAmplitude / std::sqrt(2.0), 1e-6);
}

TEST(NoiseSpectrum, IntegratedWhiteNoiseIsTheStandardDeviation) {
  std::mt19937_64 rng(11);
  std::normal_distribution<double> noise(0, 3.0);
  std::vector<double> x;
  for (int i = 0; i < 2048; ++i) x.push_back(-1200 + noise(rng));
  const double n = 2048;
  double mean = 0, squares = 0;
  for (const double v : x) mean += v / n;
  for (const double v : x) squares += (v - mean) * (v - mean);
  const double sigma = std::sqrt(squares / n);

  Factory f;
  NoiseSpectrum spectrum(f.Get());
  const auto& r = spectrum.Compute(x, {.sampleRateHz = 2560, .bits = 23, .nvPerCode = 572.2});
  ASSERT_EQ(r.segmentLength, 450);  // 2048 / 9 = 227 -> 225
  EXPECT_NEAR(r.integratedCodes / sigma, 1.0, 0.03);
  EXPECT_NEAR(r.integratedNv, r.integratedCodes * 572.2, 1e-9);
  // White noise of variance sigma^2 at 2560 samples/s: sigma^2 / 1280 codes^2/Hz on average.
  double mid = 0;
  for (size_t k = 10; k + 10 < r.psd.size(); ++k)
    mid += r.psd[k] / static_cast<double>(r.psd.size() - 20);
  EXPECT_NEAR(mid / (sigma * sigma / 1280), 1.0, 0.05);
}

TEST(NoiseSpectrum, KeepsItsTransformAndBuffersBetweenCallsOfOneSize) {
  Factory f;
  NoiseSpectrum spectrum(f.Get());
  const SpectrumSettings s{.sampleRateHz = 10, .bits = 16, .nvPerCode = 1, .segments = 2};
  const auto& first = spectrum.Compute(Sequence(48), s);
  const double* psd = first.psd.data();
  const double before = first.psd[5];
  auto other = Sequence(48);
  for (double& v : other) v *= 2;
  const auto& second = spectrum.Compute(other, s);
  EXPECT_EQ(f.made, std::vector<int>{32});
  EXPECT_EQ(second.psd.data(), psd);
  EXPECT_NEAR(second.psd[5], 4 * before, 1e-9 * before);

  spectrum.Compute(Sequence(100), {.sampleRateHz = 10, .bits = 16, .nvPerCode = 1, .segments = 3});
  EXPECT_EQ(f.made, (std::vector<int>{32, 50}));
}

TEST(NoiseSpectrum, RefusesWhatItCannotComputeAndSaysWhy) {
  Factory f;
  NoiseSpectrum spectrum(f.Get());
  spectrum.Compute(Sequence(48), {.sampleRateHz = 10, .segments = 2});
  ASSERT_FALSE(spectrum.Result().psd.empty());

  for (const double rate : {0.0, -5.0, std::nan("")}) {
    const auto& r = spectrum.Compute(Sequence(48), {.sampleRateHz = rate, .segments = 2});
    EXPECT_NE(r.notice.find("sample rate"), std::string::npos);
    EXPECT_TRUE(r.psd.empty());
    EXPECT_TRUE(r.frequencyHz.empty());
    EXPECT_EQ(r.integratedCodes, 0);
  }
  const auto& few = spectrum.Compute(Sequence(17), {.sampleRateHz = 10});
  EXPECT_EQ(few.notice, "no spectrum: 17 samples are too few for 8 segments");
  EXPECT_TRUE(spectrum.Compute({}, {.sampleRateHz = 10}).levelDbfs.empty());

  auto bad = Sequence(48);
  bad[40] = std::nan("");
  EXPECT_FALSE(spectrum.Compute(bad, {.sampleRateHz = 10, .segments = 2}).notice.empty());
  EXPECT_TRUE(spectrum.Result().densityNv.empty());

  NoiseSpectrum without([](int) { return std::unique_ptr<RealFft>(); });
  EXPECT_EQ(without.Compute(Sequence(48), {.sampleRateHz = 10, .segments = 2}).notice,
            "no spectrum: no FFT of 32 points");
}

}  // namespace
}  // namespace qx::analysis

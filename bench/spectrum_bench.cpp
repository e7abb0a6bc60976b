// Noise spectrum (Welch, 8 segments, FFTW plan reused; estimated against measured plans) and noise
// histogram of a 65536-sample run. bench/spectrum_vs_scipy.py puts them beside scipy.signal.welch
// and numpy.histogram.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <random>
#include <vector>

#include "core/analysis/NoiseHistogram.h"
#include "core/analysis/NoiseSpectrum.h"
#include "platform/FftwRealFft.h"

namespace {

constexpr int kSamples = 65536;

/// Display codes of a quiet input: a seeded Gaussian of 40 codes around a DC level, whole codes
/// as a capture shows them.
std::vector<double> Codes() {
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0.0, 40.0);
  std::vector<double> codes;
  for (int i = 0; i < kSamples; ++i) codes.push_back(std::trunc(250'000 + noise(rng)));
  return codes;
}

const qx::analysis::SpectrumSettings kSettings{
    .sampleRateHz = 2560, .bits = 23, .nvPerCode = 572.2, .segments = 8};

void Spectrum(benchmark::State& state, qx::platform::FftwRealFft::Planning planning) {
  const auto codes = Codes();
  qx::analysis::NoiseSpectrum spectrum(qx::platform::FftwRealFftFactory(planning));
  spectrum.Compute(codes, kSettings);  // plans the FFT once
  for (auto _ : state) {
    const auto& r = spectrum.Compute(codes, kSettings);
    benchmark::DoNotOptimize(r.integratedCodes);
  }
  state.counters["segment"] = spectrum.Result().segmentLength;
}

void BM_Spectrum(benchmark::State& state) {
  Spectrum(state, qx::platform::FftwRealFft::Planning::Estimate);
}
BENCHMARK(BM_Spectrum)->Unit(benchmark::kMicrosecond);

/// The same with a plan FFTW measured instead of guessed.
void BM_SpectrumMeasuredPlan(benchmark::State& state) {
  Spectrum(state, qx::platform::FftwRealFft::Planning::Measure);
}
BENCHMARK(BM_SpectrumMeasuredPlan)->Unit(benchmark::kMicrosecond);

/// What planning one segment costs the first time in a process (FFTW's wisdom forgotten).
void PlanOfASegment(benchmark::State& state, qx::platform::FftwRealFft::Planning planning) {
  const int length = qx::analysis::NoiseSpectrum::SegmentLength(kSamples, 8);
  for (auto _ : state) {
    fftw_forget_wisdom();
    auto fft = qx::platform::FftwRealFft::Create(length, planning);
    benchmark::DoNotOptimize(fft.get());
  }
}
void BM_EstimatedPlanOfASegment(benchmark::State& state) {
  PlanOfASegment(state, qx::platform::FftwRealFft::Planning::Estimate);
}
BENCHMARK(BM_EstimatedPlanOfASegment)->Unit(benchmark::kMillisecond);
void BM_MeasuredPlanOfASegment(benchmark::State& state) {
  PlanOfASegment(state, qx::platform::FftwRealFft::Planning::Measure);
}
BENCHMARK(BM_MeasuredPlanOfASegment)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Histogram(benchmark::State& state) {
  const auto codes = Codes();
  for (auto _ : state) {
    const auto h = qx::analysis::ComputeNoiseHistogram(codes, 800, 572.2);
    benchmark::DoNotOptimize(h.ratio);
  }
}
BENCHMARK(BM_Histogram)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

#include "core/analysis/CaptureViews.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/analysis/NoiseMath.h"
#include "core/analysis/OutputRate.h"

namespace qx::analysis {

namespace {

/// The figure in codes, and again in `unit` unless that is codes.
std::string Both(double codes, const NoiseScale& scale, NoiseUnit unit) {
  std::string text = FormatNoise(codes, NoiseUnit::Codes);
  if (unit != NoiseUnit::Codes) text += "  (" + FormatNoise(scale.Convert(codes, unit), unit) + ")";
  return text;
}

std::string Fixed(double value, const char* format) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

NoiseScale ScaleOf(const AdcCapture& capture, const std::string& referenceText) {
  NoiseScale s;
  s.bits = std::max(1, capture.Bits());
  s.referenceVolts = ReferenceVolts(referenceText);
  s.gain = capture.FiguresGain();
  return s;
}

std::span<const double> DisplayCodes(const AdcCapture& capture) {
  const int count = capture.ReducedCount() > 0 ? capture.ReducedCount() : capture.Count();
  const int n = std::clamp(count, 0, capture.Cells().Capacity());
  return {capture.Cells().Values(), static_cast<size_t>(n)};
}

std::optional<double> DisplayRateSps(const AdcCapture& capture, const chip::ChipModel& chip,
                                     int averaging) {
  const std::optional<double> rate = SampleRateSps(chip, capture.Count(), capture.ElapsedMs());
  if (!rate) return std::nullopt;
  return capture.ReducedCount() > 0 ? *rate / std::max(1, averaging) : *rate;
}

std::vector<FigureText> HistogramFigures(const NoiseHistogram& h, const NoiseScale& scale,
                                         NoiseUnit unit) {
  if (h.count == 0) return {};
  return {
      {"Samples", std::to_string(h.count)},
      {"Bin width", FormatNoise(h.binWidth, NoiseUnit::Codes)},
      {"Peak-to-peak (measured)", Both(h.peakToPeak, scale, unit)},
      {"6.6 σ (99.9 %)", Both(h.sixSigma, scale, unit)},
      {"Measured / 6.6 σ", h.sixSigma > 0 ? Fixed(h.ratio, "%.3f") : std::string("n/a")},
      {"σ", Both(h.sigma, scale, unit)},
  };
}

std::vector<FigureText> SpectrumFigures(const SpectrumResult& s, double sigmaCodes,
                                        const NoiseScale& scale, NoiseUnit unit) {
  if (s.segmentLength == 0) return {};
  const double differencePercent =
      sigmaCodes > 0 ? (s.integratedCodes / sigmaCodes - 1.0) * 100.0 : std::nan("");
  return {
      {"Integrated noise", Both(s.integratedCodes, scale, unit)},
      {"RMS noise (statistics)", Both(sigmaCodes, scale, unit)},
      {"Difference",
       std::isfinite(differencePercent) ? Fixed(differencePercent, "%+.1f %%") : "n/a"},
      {"Bin width", Fixed(s.binHz, "%.4g Hz")},
      {"Segments", std::to_string(s.segments) + " × " + std::to_string(s.segmentLength)},
  };
}

}  // namespace qx::analysis

namespace qx::analysis {

std::string PanelNoiseText(double nanovolts, double codes, const NoiseScale& scale,
                           NoiseUnit unit) {
  if (unit == NoiseUnit::Nanovolts) return FixedText(nanovolts);
  std::string text = FormatNoise(scale.Convert(codes, unit), unit);
  const std::string suffix = std::string(" ") + NoiseUnitName(unit);
  if (text.size() >= suffix.size() && text.ends_with(suffix))
    text.resize(text.size() - suffix.size());
  return text;
}

}  // namespace qx::analysis

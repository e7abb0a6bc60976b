#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseHistogram.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/NoiseSpectrum.h"
#include "core/analysis/NoiseUnits.h"
#include "core/chip/ChipModel.h"

namespace qx::analysis {

/// How display codes of a capture convert to the other noise units: the resolution, the
/// reference and the gain the figures of the same capture use.
struct NoiseScale {
  int bits = 23;
  double referenceVolts = kFallbackReferenceVolts;
  double gain = 1;

  double Convert(double codes, NoiseUnit unit) const {
    return ConvertNoise(codes, unit, bits, referenceVolts, gain);
  }
  double NanovoltsPerCode() const { return Convert(1, NoiseUnit::Nanovolts); }
};

/// The scale of the last capture's figures: its resolution, the reference text (1.2 V when it
/// is not a positive number) and the gain (the override when one is set).
NoiseScale ScaleOf(const AdcCapture& capture, const std::string& referenceText);

/// The display codes of the last capture, or of the last re-averaging, as the statistics read
/// them: the grid's cell values.
std::span<const double> DisplayCodes(const AdcCapture& capture);

/// The rate of the display codes: the output rate the registers select (or the capture's own
/// timing), divided by the averaging factor after a re-averaging.
std::optional<double> DisplayRateSps(const AdcCapture& capture, const chip::ChipModel& chip,
                                     int averaging);

/// A figure as the analysis window shows it: caption, value with its unit.
struct FigureText {
  std::string caption;
  std::string value;
  bool operator==(const FigureText&) const = default;
};

/// Measured peak-to-peak, 6.6 sigma, their ratio and sigma, each noise figure in codes and in
/// `unit` (just once when `unit` is codes).
std::vector<FigureText> HistogramFigures(const NoiseHistogram& h, const NoiseScale& scale,
                                         NoiseUnit unit);

/// The integrated noise of the band against the statistics' RMS noise `sigmaCodes`, their
/// difference in percent, and the spectrum's resolution (bin width, segments).
std::vector<FigureText> SpectrumFigures(const SpectrumResult& s, double sigmaCodes,
                                        const NoiseScale& scale, NoiseUnit unit);

}  // namespace qx::analysis

namespace qx::analysis {

/// The text of a noise panel of the window in `unit`: in nanovolts exactly the figure's panel
/// text (two decimals); in another unit the figure in codes converted, with the digits
/// FormatNoise gives it. The unit itself stands beside the panel.
std::string PanelNoiseText(double nanovolts, double codes, const NoiseScale& scale, NoiseUnit unit);

}  // namespace qx::analysis

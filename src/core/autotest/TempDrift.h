#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"

namespace qx::autotest {

/// A figure against temperature at the run's two ends, at 25 °C and at its worst.
struct OverTemperature {
  std::optional<double> coldest;
  std::optional<double> at25;  ///< interpolated between the points either side; none outside
  std::optional<double> hottest;
  std::optional<double> worst;  ///< the largest noise, the smallest ENOB
};

/// A mode's drift over the run's temperature points. Figures that cannot be had (too few
/// points, no temperature span, the code's worth unknown) are empty.
struct ModeDrift {
  int mode = 0;
  /// Points whose rows went into the figures, in the order of their temperature.
  std::vector<int> pointsUsed;
  /// Rows left out, each "point P: failed" or "point P: over range".
  std::vector<std::string> leftOut;
  double coldestC = 0;  ///< temperature span of the rows used, °C
  double hottestC = 0;

  /// Least squares of the mean (codes) against temperature.
  std::optional<double> slopeCodesPerC;
  std::optional<double> interceptCodes;  ///< the fitted mean at 0 °C
  std::optional<double> residualRmsCodes;
  /// The slope referred to the input, µV/°C: codes times the worth of one code at the capture's
  /// reference, resolution and gain (what its nanovolt figures use).
  std::optional<double> slopeUvPerC;
  /// The worth of one code referred to the input, µV (from the noise figures in nV and codes).
  std::optional<double> uvPerCode;
  /// The slope in ppm of the full-scale range (2^bits codes) per °C.
  std::optional<double> slopePpmFsPerC;
  /// Box method, (max - min) / (|mean| x temperature span), ppm/°C.
  std::optional<double> meanBoxPpmPerC;
  std::array<std::optional<double>, 6> meterBoxPpmPerC{};

  OverTemperature rmsNoiseNv;
  OverTemperature enob;
};

/// The drift of the input path, from the modes together: each mode's drift referred to the
/// input (µV/°C) against its input level (the fitted mean at 25 °C, µV). A converter whose gain
/// drifts drifts in proportion to what it converts, so the least-squares line through the modes
/// has the gain's coefficient as its slope and the offset's drift where the input is 0. It
/// takes the modes as one input path at different levels (a calibrator's steps, gains that
/// differ); figures need two modes with a known worth of a code whose levels differ by at least
/// 1 % of the largest.
struct PathDrift {
  std::vector<int> modesUsed;
  std::optional<double> offsetUvPerC;
  std::optional<double> gainPpmPerC;
  std::optional<double> residualRmsUvPerC;  ///< of the modes' drifts about the line
};

PathDrift ComputePathDrift(const std::vector<ModeDrift>& modes);

/// The temperature a row was measured at: the chamber's reading when there is one, else the
/// point's target (a run without the chamber).
double RowTemperature(const ModeRecord& r);

/// Drift of every mode that has recorded rows, in mode order. `captureBits` is the captures'
/// resolution (0: unknown, no ppm of full scale). Failed and over-range rows are left out and
/// named.
std::vector<ModeDrift> ComputeDrift(const std::vector<ModeRecord>& records, int captureBits);

}  // namespace qx::autotest

#pragma once

#include <span>
#include <vector>

namespace qx::analysis {

/// Histogram of the display codes of a capture, with the Gaussian of the same mean and
/// standard deviation and the peak-to-peak against 6.6 sigma figures. Plain vectors, ready to
/// hand to a bar chart.
///
/// Bins are whole codes: bin i covers [lowerEdges[i], lowerEdges[i] + binWidth) with the first
/// edge half a code below the code nearest the minimum, so an integer code sits in the middle
/// of its bin. Fractional codes (after re-averaging) fall in the bin of the code they round to
/// (halves go up).
struct NoiseHistogram {
  std::vector<double> lowerEdges;  ///< codes, one per bin
  std::vector<double> centres;     ///< codes, one per bin
  std::vector<int> counts;         ///< samples per bin
  /// The Gaussian as expected samples per bin: n x binWidth x pdf(centre). All 0 when sigma is 0.
  std::vector<double> expected;
  /// The same Gaussian on a fine grid across the bins, for drawing a smooth curve over the bars
  /// (x in codes, y in samples per bin). Empty when sigma is 0.
  std::vector<double> curveCodes;
  std::vector<double> curveCounts;

  int count = 0;          ///< samples counted (non-finite values are left out)
  double binWidth = 0;    ///< codes per bin, a whole number >= 1 (0 without samples)
  double mean = 0;        ///< codes
  double sigma = 0;       ///< population standard deviation, codes
  double peakToPeak = 0;  ///< max - min of the codes
  double sixSigma = 0;    ///< 6.6 sigma, codes
  /// peakToPeak / sixSigma: about 1 for Gaussian noise of a few thousand samples, clearly above
  /// for popcorn noise or steps; 0 when sigma is 0.
  double ratio = 0;
  double peakToPeakNv = 0;
  double sixSigmaNv = 0;
};

/// 6.6 sigma: the span that holds 99.9 % of Gaussian samples, the usual peak-to-peak estimate.
inline constexpr double kPeakToPeakSigmas = 6.6;
/// Points of the drawing curve.
inline constexpr int kHistogramCurvePoints = 401;

/// The histogram of `codes` in at most `maxBins` bins (the chart's width in pixels; values
/// below 1 count as 1). One bin per code while the spread (max - min + 1 codes) fits, else the
/// smallest whole number of codes per bin that fits. `nvPerCode` converts the figures to
/// nanovolts. No samples: every vector empty and every figure 0.
NoiseHistogram ComputeNoiseHistogram(std::span<const double> codes, int maxBins, double nvPerCode);

}  // namespace qx::analysis

#include "core/analysis/NoiseHistogram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace qx::analysis {

namespace {

/// Samples per bin that a Gaussian of `n` samples puts in a bin of `width` codes around `x`.
double GaussianCount(double x, double n, double width, double mean, double sigma) {
  const double z = (x - mean) / sigma;
  return n * width * std::exp(-0.5 * z * z) / (sigma * std::sqrt(2 * std::numbers::pi));
}

}  // namespace

NoiseHistogram ComputeNoiseHistogram(std::span<const double> codes, int maxBins, double nvPerCode) {
  NoiseHistogram h;
  // First pass: extremes and sum of the finite codes. Four lanes, so the additions do not wait
  // for each other.
  constexpr size_t kLanes = 4;
  const double* p = codes.data();
  const size_t size = codes.size();
  const size_t whole = size - size % kLanes;
  std::array<double, kLanes> low, high, sums{}, squares{};
  low.fill(std::numeric_limits<double>::infinity());
  high.fill(-std::numeric_limits<double>::infinity());
  size_t finite = 0;
  const auto take = [&](size_t lane, double x) {
    if (!std::isfinite(x)) return;
    low[lane] = std::min(low[lane], x);
    high[lane] = std::max(high[lane], x);
    sums[lane] += x;
    ++finite;
  };
  for (size_t i = 0; i < whole; i += kLanes)
    for (size_t lane = 0; lane < kLanes; ++lane) take(lane, p[i + lane]);
  for (size_t i = whole; i < size; ++i) take(0, p[i]);
  if (finite == 0) return h;
  const int n = static_cast<int>(finite);
  const double minimum = *std::min_element(low.begin(), low.end());
  const double maximum = *std::max_element(high.begin(), high.end());
  const double sum = (sums[0] + sums[1]) + (sums[2] + sums[3]);

  const double lowCode = std::floor(minimum + 0.5);
  const double highCode = std::floor(maximum + 0.5);
  const double spread = highCode - lowCode + 1;
  const double limit = std::max(maxBins, 1);
  const double width = std::ceil(spread / limit);
  const int bins = static_cast<int>(std::ceil(spread / width));
  const double firstEdge = lowCode - 0.5;
  const double mean = sum / n;

  // Second pass: counts and squared deviations. Every code is at or above the first edge, so
  // the truncation is the floor; with one code per bin it needs no division.
  h.counts.assign(static_cast<size_t>(bins), 0);
  int* counts = h.counts.data();
  const int lastBin = bins - 1;
  const bool allFinite = finite == size;
  const auto countCodes = [&](auto binOf) {
    const auto count = [&](size_t lane, double x) {
      if (!allFinite && !std::isfinite(x)) return;
      ++counts[std::min(binOf(x - firstEdge), lastBin)];
      squares[lane] += (x - mean) * (x - mean);
    };
    for (size_t i = 0; i < whole; i += kLanes)
      for (size_t lane = 0; lane < kLanes; ++lane) count(lane, p[i + lane]);
    for (size_t i = whole; i < size; ++i) count(0, p[i]);
  };
  if (width == 1)
    countCodes([](double offset) { return static_cast<int>(offset); });
  else
    countCodes([width](double offset) { return static_cast<int>(offset / width); });
  const double deviations = (squares[0] + squares[1]) + (squares[2] + squares[3]);

  h.count = n;
  h.binWidth = width;
  h.mean = mean;
  h.sigma = std::sqrt(deviations / n);
  h.peakToPeak = maximum - minimum;
  h.sixSigma = kPeakToPeakSigmas * h.sigma;
  h.ratio = h.sixSigma > 0 ? h.peakToPeak / h.sixSigma : 0;
  h.peakToPeakNv = h.peakToPeak * nvPerCode;
  h.sixSigmaNv = h.sixSigma * nvPerCode;

  h.lowerEdges.resize(static_cast<size_t>(bins));
  h.centres.resize(static_cast<size_t>(bins));
  h.expected.assign(static_cast<size_t>(bins), 0.0);
  for (int i = 0; i < bins; ++i) {
    const auto k = static_cast<size_t>(i);
    h.lowerEdges[k] = firstEdge + i * width;
    h.centres[k] = h.lowerEdges[k] + width / 2;
    if (h.sigma > 0) h.expected[k] = GaussianCount(h.centres[k], n, width, mean, h.sigma);
  }
  if (h.sigma > 0) {
    const double span = bins * width;
    h.curveCodes.resize(kHistogramCurvePoints);
    h.curveCounts.resize(kHistogramCurvePoints);
    for (int i = 0; i < kHistogramCurvePoints; ++i) {
      const double x = firstEdge + span * i / (kHistogramCurvePoints - 1);
      h.curveCodes[static_cast<size_t>(i)] = x;
      h.curveCounts[static_cast<size_t>(i)] = GaussianCount(x, n, width, mean, h.sigma);
    }
  }
  return h;
}

}  // namespace qx::analysis

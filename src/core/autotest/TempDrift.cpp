#include "core/autotest/TempDrift.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qx::autotest {

namespace {

// Indices of the noise record's figures.
constexpr size_t kMean = 0, kRmsNv = 2, kEnob = 3, kRmsCodes = 5;

/// The input levels of a path drift must span this share of the largest.
constexpr double kMinLevelSpan = 0.01;

struct Row {
  double temp;
  const ModeRecord* record;
};

/// Box drift of `values` over `span` °C, ppm/°C; none for fewer than two values, no span or a
/// mean of 0.
std::optional<double> BoxPpmPerC(const std::vector<double>& values, double span) {
  if (values.size() < 2 || !(span > 0)) return std::nullopt;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  double sum = 0;
  for (double v : values) sum += v;
  const double mean = sum / static_cast<double>(values.size());
  if (mean == 0) return std::nullopt;
  return (*hi - *lo) / (std::fabs(mean) * span) * 1e6;
}

OverTemperature Over(const std::vector<Row>& rows, size_t k, bool worstIsLargest) {
  OverTemperature o;
  if (rows.empty()) return o;
  const auto value = [k](const Row& r) { return r.record->stats[k]; };
  o.coldest = value(rows.front());
  o.hottest = value(rows.back());
  double worst = value(rows.front());
  for (const Row& r : rows)
    worst = worstIsLargest ? std::max(worst, value(r)) : std::min(worst, value(r));
  o.worst = worst;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].temp == 25) {
      o.at25 = value(rows[i]);
      break;
    }
    if (i + 1 < rows.size() && rows[i].temp < 25 && rows[i + 1].temp > 25) {
      const double f = (25 - rows[i].temp) / (rows[i + 1].temp - rows[i].temp);
      o.at25 = value(rows[i]) + f * (value(rows[i + 1]) - value(rows[i]));
      break;
    }
  }
  return o;
}

ModeDrift Drift(int mode, std::vector<const ModeRecord*> records, int captureBits) {
  ModeDrift d;
  d.mode = mode;
  std::vector<Row> rows;
  std::sort(records.begin(), records.end(),
            [](const ModeRecord* a, const ModeRecord* b) { return a->point < b->point; });
  for (const ModeRecord* r : records) {
    if (!r->failure.empty()) {
      d.leftOut.push_back("point " + std::to_string(r->point) + ": failed");
    } else if (r->overRange > 0) {
      d.leftOut.push_back("point " + std::to_string(r->point) + ": over range");
    } else {
      rows.push_back({RowTemperature(*r), r});
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a.temp < b.temp; });
  for (const Row& r : rows) d.pointsUsed.push_back(r.record->point);
  if (rows.empty()) return d;
  d.coldestC = rows.front().temp;
  d.hottestC = rows.back().temp;
  const double span = d.hottestC - d.coldestC;
  const double n = static_cast<double>(rows.size());

  std::vector<double> means;
  double sumT = 0, sumM = 0, sumNv = 0, sumCodes = 0;
  for (const Row& r : rows) {
    means.push_back(r.record->stats[kMean]);
    sumT += r.temp;
    sumM += r.record->stats[kMean];
    if (r.record->stats[kRmsCodes] > 0) {
      sumNv += r.record->stats[kRmsNv];
      sumCodes += r.record->stats[kRmsCodes];
    }
  }
  if (rows.size() >= 2 && span > 0) {
    const double meanT = sumT / n, meanM = sumM / n;
    double sxx = 0, sxy = 0;
    for (const Row& r : rows) {
      sxx += (r.temp - meanT) * (r.temp - meanT);
      sxy += (r.temp - meanT) * (r.record->stats[kMean] - meanM);
    }
    const double slope = sxy / sxx;
    const double intercept = meanM - slope * meanT;
    double sumSq = 0;
    for (const Row& r : rows) {
      const double residual = r.record->stats[kMean] - (intercept + slope * r.temp);
      sumSq += residual * residual;
    }
    d.slopeCodesPerC = slope;
    d.interceptCodes = intercept;
    d.residualRmsCodes = std::sqrt(sumSq / n);
    // Every capture of a mode has the same worth of a code; the noise figures carry it.
    if (sumCodes > 0) {
      d.uvPerCode = sumNv / sumCodes / 1000;
      d.slopeUvPerC = slope * *d.uvPerCode;
    }
    if (captureBits > 0) d.slopePpmFsPerC = slope * 1e6 / std::ldexp(1.0, captureBits);
  }
  d.meanBoxPpmPerC = BoxPpmPerC(means, span);
  for (size_t i = 0; i < d.meterBoxPpmPerC.size(); ++i) {
    std::vector<double> readings;
    for (const Row& r : rows)
      if (!r.record->meterUnit[i].empty()) readings.push_back(r.record->meterValue[i]);
    if (readings.size() == rows.size()) d.meterBoxPpmPerC[i] = BoxPpmPerC(readings, span);
  }
  d.rmsNoiseNv = Over(rows, kRmsNv, true);
  d.enob = Over(rows, kEnob, false);
  return d;
}

}  // namespace

double RowTemperature(const ModeRecord& r) {
  return r.chamberTemp.value_or(r.targetTemp);
}

PathDrift ComputePathDrift(const std::vector<ModeDrift>& modes) {
  PathDrift p;
  std::vector<double> level, drift;
  for (const ModeDrift& d : modes) {
    if (!d.slopeUvPerC || !d.uvPerCode || !d.interceptCodes || !d.slopeCodesPerC) continue;
    p.modesUsed.push_back(d.mode);
    level.push_back((*d.interceptCodes + 25 * *d.slopeCodesPerC) * *d.uvPerCode);
    drift.push_back(*d.slopeUvPerC);
  }
  if (level.size() < 2) return p;
  const double n = static_cast<double>(level.size());
  double meanL = 0, meanD = 0;
  for (size_t i = 0; i < level.size(); ++i) {
    meanL += level[i] / n;
    meanD += drift[i] / n;
  }
  double sxx = 0, sxy = 0;
  for (size_t i = 0; i < level.size(); ++i) {
    sxx += (level[i] - meanL) * (level[i] - meanL);
    sxy += (level[i] - meanL) * (drift[i] - meanD);
  }
  // Levels that hardly differ (the same input at other gains) leave the slope to the noise.
  double largest = 0;
  for (double l : level) largest = std::max(largest, std::fabs(l));
  if (!(sxx > 0) || *std::max_element(level.begin(), level.end()) -
                            *std::min_element(level.begin(), level.end()) <
                        kMinLevelSpan * largest)
    return p;
  const double slope = sxy / sxx;
  const double offset = meanD - slope * meanL;
  double sumSq = 0;
  for (size_t i = 0; i < level.size(); ++i) {
    const double residual = drift[i] - (offset + slope * level[i]);
    sumSq += residual * residual;
  }
  p.gainPpmPerC = slope * 1e6;
  p.offsetUvPerC = offset;
  p.residualRmsUvPerC = std::sqrt(sumSq / n);
  return p;
}

std::vector<ModeDrift> ComputeDrift(const std::vector<ModeRecord>& records, int captureBits) {
  std::map<int, std::vector<const ModeRecord*>> byMode;
  for (const ModeRecord& r : records) byMode[r.mode].push_back(&r);
  std::vector<ModeDrift> out;
  for (const auto& [mode, rows] : byMode) out.push_back(Drift(mode, rows, captureBits));
  return out;
}

}  // namespace qx::autotest

#include "core/autotest/TempDrift.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace qx::autotest {
namespace {

struct RowData {
  int point;
  std::optional<double> chamber;  ///< the chamber's reading, °C
  double target;
  double mean, rmsNv, rmsCodes, enob;
  const char* failure = "";
  int overRange = 0;
  double meter = 0;
  const char* meterUnit = "";
};

ModeRecord Record(const RowData& s) {
  ModeRecord r;
  r.point = s.point;
  r.mode = 1;
  r.targetTemp = s.target;
  r.chamberTemp = s.chamber;
  r.stats[0] = s.mean;
  r.stats[2] = s.rmsNv;
  r.stats[3] = s.enob;
  r.stats[5] = s.rmsCodes;
  r.failure = s.failure;
  r.overRange = s.overRange;
  r.meterValue[0] = s.meter;
  r.meterUnit[0] = s.meterUnit;
  return r;
}

using Opt = std::optional<double>;

void ExpectNear(const Opt& got, const Opt& want, const std::string& what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (want) {
    EXPECT_NEAR(*got, *want, 1e-9 * std::max(1.0, std::fabs(*want))) << what;
  }
}

// Figures worked out by hand from the rows: the fit's sums, the box's max - min over the mean
// and span, the noise between the points either side of 25 °C.
TEST(TempDrift, FiguresOfAModeOverTemperature) {
  const struct {
    const char* name;
    std::vector<RowData> rows;
    int bits;
    std::vector<int> used;
    std::vector<std::string> leftOut;
    Opt slope, intercept, residual, uv, ppmFs, box, meterBox;
    Opt rmsCold, rms25, rmsHot, rmsWorst, enob25, enobWorst;
  } kCases[] = {
      {"three chamber readings, rows out of point order",
       {{3, 30.0, 40, 1030, 700, 2.8, 19.0, "", 0, 1.003, "DC V"},
        {1, 0.0, -10, 1000, 500, 2.0, 20.0, "", 0, 1.0, "DC V"},
        {2, 10.0, 15, 1012, 600, 2.4, 19.5, "", 0, 1.001, "DC V"}},
       24,
       {1, 2, 3},
       {},
       0.9857142857142858,
       1000.8571428571429,
       0.9258200997725515,
       0.24642857142857144,
       0.05875314985002791,
       986.1932938856016,
       99.86684420771945,
       500,
       675,
       700,
       700,
       19.125,
       19.0},
      {"failed and over-range rows left out; no chamber: the targets",
       {{1, std::nullopt, 0, 5, 9000, 1, 3.0, "USB not Connect !!!"},
        {2, std::nullopt, 10, 8388607, 1, 1, 24.0, "", 512},
        {3, std::nullopt, 20, 100, 400, 2, 21.0},
        {4, std::nullopt, 30, 101, 500, 2, 20.0}},
       0,
       {3, 4},
       {"point 1: failed", "point 2: over range"},
       0.1,
       98.0,
       0.0,
       0.0225,
       std::nullopt,
       995.0248756218906,
       std::nullopt,
       400,
       450,
       500,
       500,
       20.5,
       20.0},
      {"a negative mean drifts by its size",
       {{1, 0.0, 0, -1000, 100, 1, 22.0}, {2, 10.0, 10, -1010, 100, 1, 22.0}},
       16,
       {1, 2},
       {},
       -1.0,
       -1000.0,
       0.0,
       -0.1,
       -15.2587890625,
       995.0248756218906,
       std::nullopt,
       100,
       std::nullopt,
       100,
       100,
       std::nullopt,
       22.0},
      {"one point: no fit and no box",
       {{1, 40.0, 40, 7, 300, 1.5, 21.0}},
       24,
       {1},
       {},
       std::nullopt,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       300,
       std::nullopt,
       300,
       300,
       std::nullopt,
       21.0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<ModeRecord> records;
    for (const RowData& s : c.rows) records.push_back(Record(s));
    const auto drift = ComputeDrift(records, c.bits);
    ASSERT_EQ(drift.size(), 1u);
    const ModeDrift& d = drift[0];
    EXPECT_EQ(d.mode, 1);
    EXPECT_EQ(d.pointsUsed, c.used);
    EXPECT_EQ(d.leftOut, c.leftOut);
    ExpectNear(d.slopeCodesPerC, c.slope, "slope");
    ExpectNear(d.interceptCodes, c.intercept, "intercept");
    ExpectNear(d.residualRmsCodes, c.residual, "residual");
    ExpectNear(d.slopeUvPerC, c.uv, "uV/C");
    ExpectNear(d.slopePpmFsPerC, c.ppmFs, "ppm FS/C");
    ExpectNear(d.meanBoxPpmPerC, c.box, "box");
    ExpectNear(d.meterBoxPpmPerC[0], c.meterBox, "meter 1 box");
    ExpectNear(d.meterBoxPpmPerC[1], std::nullopt, "meter 2 box");
    ExpectNear(d.rmsNoiseNv.coldest, c.rmsCold, "rms coldest");
    ExpectNear(d.rmsNoiseNv.at25, c.rms25, "rms 25");
    ExpectNear(d.rmsNoiseNv.hottest, c.rmsHot, "rms hottest");
    ExpectNear(d.rmsNoiseNv.worst, c.rmsWorst, "rms worst");
    ExpectNear(d.enob.at25, c.enob25, "enob 25");
    ExpectNear(d.enob.worst, c.enobWorst, "enob worst");
  }
}

// Modes come apart, each with its own rows, in mode order.
TEST(TempDrift, EachModeHasItsOwnFigures) {
  std::vector<ModeRecord> records;
  for (int mode : {2, 1}) {
    for (int point : {1, 2}) {
      ModeRecord r = Record({point, 10.0 * point, 0, 100.0 * mode + point, 1, 1, 20});
      r.mode = mode;
      records.push_back(r);
    }
  }
  const auto drift = ComputeDrift(records, 24);
  ASSERT_EQ(drift.size(), 2u);
  EXPECT_EQ(drift[0].mode, 1);
  EXPECT_EQ(drift[1].mode, 2);
  ExpectNear(drift[0].interceptCodes, 100.0, "mode 1");
  ExpectNear(drift[1].interceptCodes, 200.0, "mode 2");
}

// The input path from modes at different levels, by hand: a code is worth 0.25 uV (250 nV of
// RMS noise in 1 code), each mode measured at 0 and 50 °C so its level is the middle of its two
// means. Drifts of 4 and 6 uV/°C at 0.4 and 0.8 V are 2 uV/°C of offset and 5 ppm/°C of gain.
TEST(TempDrift, PathDriftSplitsOffsetFromGain) {
  struct ModeData {
    int mode;
    double meanAt0, meanAt50, rmsCodes;
  };
  const struct {
    const char* name;
    std::vector<ModeData> modes;
    std::vector<int> used;
    Opt offset, gain, residual;
  } kCases[] = {
      {"two levels",
       {{1, 1'599'600, 1'600'400, 1}, {2, 3'199'400, 3'200'600, 1}},
       {1, 2},
       2.0,
       5.0,
       0.0},
      // Levels 0, 0.4 and 0.8 V drifting 2, 4 and 9 uV/°C: slope 2.8e6 / 3.2e11, 8.75 ppm/°C;
      // 5 - 3.5 = 1.5 uV/°C at no input; residuals 0.5, -1 and 0.5.
      {"three levels off a line",
       {{1, -200, 200, 1}, {2, 1'599'600, 1'600'400, 1}, {3, 3'199'100, 3'200'900, 1}},
       {1, 2, 3},
       1.5,
       8.75,
       std::sqrt(0.5)},
      {"a mode with no worth of a code is left out, one is no line",
       {{1, 1'599'600, 1'600'400, 0}, {2, 3'199'400, 3'200'600, 1}},
       {2},
       std::nullopt,
       std::nullopt,
       std::nullopt},
      {"levels 0.5 % apart (one input at two gains) are no line",
       {{1, 1'599'600, 1'600'400, 1}, {2, 1'607'000, 1'608'000, 1}},
       {1, 2},
       std::nullopt,
       std::nullopt,
       std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<ModeRecord> records;
    for (const ModeData& m : c.modes) {
      for (const auto& [point, temp, mean] :
           {std::tuple{1, 0.0, m.meanAt0}, {2, 50.0, m.meanAt50}}) {
        ModeRecord r = Record({point, temp, temp, mean, 250 * m.rmsCodes, m.rmsCodes, 20});
        r.mode = m.mode;
        records.push_back(r);
      }
    }
    const PathDrift p = ComputePathDrift(ComputeDrift(records, 23));
    EXPECT_EQ(p.modesUsed, c.used);
    ExpectNear(p.offsetUvPerC, c.offset, "offset uV/C");
    ExpectNear(p.gainPpmPerC, c.gain, "gain ppm/C");
    ExpectNear(p.residualRmsUvPerC, c.residual, "residual");
  }
}

}  // namespace
}  // namespace qx::autotest

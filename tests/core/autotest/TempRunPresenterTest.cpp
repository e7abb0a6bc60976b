#include "core/autotest/TempRunPresenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx::autotest {
namespace {

// Every figure of the "Drift" tab carries its unit, a missing one is a dash, and the input
// path line names the modes it drew on; without a line through two levels it says why.
TEST(TempRunPresenterDrift, TableCellsCarryTheirUnits) {
  ModeDrift full;
  full.mode = 1;
  full.pointsUsed = {1, 2, 3};
  full.leftOut = {"point 4: failed", "point 5: over range"};
  full.coldestC = -40;
  full.hottestC = 0;
  full.slopeCodesPerC = 4;
  full.interceptCodes = 400'000;
  full.uvPerCode = 0.25;
  full.slopeUvPerC = 1.0;
  full.slopePpmFsPerC = 0.47683716;
  full.residualRmsCodes = 0.256;
  full.meanBoxPpmPerC = 10.0;
  full.rmsNoiseNv = {600.04, 612.36, 650, 650};
  full.enob = {22.9, 22.85, 22.8, 22.789};
  ModeDrift bare;
  bare.mode = 2;
  bare.pointsUsed = {4};
  bare.coldestC = 25;
  bare.hottestC = 25;

  const auto one = TempRunPresenter::DriftTableOf({full, bare});
  const std::vector<std::vector<std::string>> kRows = {
      {"1", "3", "point 4: failed; point 5: over range", "-40.0 to 0.0 \u00B0C",
       "1.000 \u00B5V/\u00B0C", "0.4768 ppm FS/\u00B0C", "0.26 codes", "10.00 ppm/\u00B0C",
       "600.0 nV", "612.4 nV", "650.0 nV", "22.79 bits"},
      {"2", "1", "", "25.0 to 25.0 \u00B0C", "\u2013", "\u2013", "\u2013", "\u2013", "\u2013",
       "\u2013", "\u2013", "\u2013"}};
  EXPECT_EQ(one.rows, kRows);
  for (const auto& row : one.rows)
    EXPECT_EQ(row.size(), std::size(TempRunPresenter::DriftTable::kHeaders));
  EXPECT_EQ(one.path.rfind("Input path: no offset and gain drift", 0), 0u) << one.path;

  // A second level: 0.1 V (400000 codes of 0.25 uV) drifting 1 uV/°C and 0.2 V drifting
  // 1.5 uV/°C are 0.5 uV/°C of offset and 5 ppm/°C of gain.
  ModeDrift twice = full;
  twice.mode = 2;
  twice.interceptCodes = 800'000;
  twice.slopeCodesPerC = 6;
  twice.slopeUvPerC = 1.5;
  full.interceptCodes = 400'000 - 25 * 4;
  twice.interceptCodes = 800'000 - 25 * 6;
  EXPECT_EQ(TempRunPresenter::DriftTableOf({full, twice}).path,
            "Input path (modes 1, 2): offset drift 0.500 \u00B5V/\u00B0C, gain drift 5.000 "
            "ppm/\u00B0C, residual 0.000 \u00B5V/\u00B0C");
}

}  // namespace
}  // namespace qx::autotest

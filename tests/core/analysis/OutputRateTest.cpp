#include "core/analysis/OutputRate.h"

#include <gtest/gtest.h>

namespace qx::analysis {
namespace {

chip::ChipModel ChipWithRateFields(uint8_t osr, uint8_t hs) {
  chip::ChipModel chip;
  chip.AdcField("OSR") = {.address = 2, .width = 3, .lsb = 0, .value = osr, .present = true};
  chip.AdcField("HS") = {.address = 2, .width = 1, .lsb = 3, .value = hs, .present = true};
  return chip;
}

TEST(OutputRate, RegistersSelectTheRateOfTheRateTables) {
  EXPECT_EQ(OutputRateSps(ChipWithRateFields(0, 0)), 2560.0);
  EXPECT_EQ(OutputRateSps(ChipWithRateFields(5, 0)), 80.0);
  EXPECT_EQ(OutputRateSps(ChipWithRateFields(7, 1)), 30.0);
  EXPECT_EQ(OutputRateSps(ChipWithRateFields(1, 2)), 3840.0);
}

TEST(OutputRate, WithoutAnOsrFieldTheCaptureTimingGivesTheRate) {
  chip::ChipModel chip;
  chip.AdcField("HS") = {.address = 2, .width = 1, .lsb = 3, .value = 1, .present = true};
  EXPECT_EQ(OutputRateSps(chip), std::nullopt);
  EXPECT_DOUBLE_EQ(SampleRateSps(chip, 1024, 12'800).value(), 80.0);
  EXPECT_EQ(SampleRateSps(chip, 0, 12'800), std::nullopt);
  EXPECT_EQ(SampleRateSps(chip, 1024, 0), std::nullopt);
  // A declared OSR field wins over the timing.
  EXPECT_EQ(SampleRateSps(ChipWithRateFields(6, 0), 1024, 1), 40.0);
}

}  // namespace
}  // namespace qx::analysis

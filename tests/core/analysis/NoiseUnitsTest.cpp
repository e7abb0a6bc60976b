#include "core/analysis/NoiseUnits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qx::analysis {
namespace {

TEST(NoiseUnits, NamesOnScreenAndOnTheCommandLine) {
  ASSERT_EQ(kNoiseUnits.size(), 4u);
  EXPECT_STREQ(NoiseUnitName(kNoiseUnits[0]), "codes");
  EXPECT_STREQ(NoiseUnitName(kNoiseUnits[1]), "nV");
  EXPECT_STREQ(NoiseUnitName(kNoiseUnits[2]), "\xC2\xB5V");  // MICRO SIGN in UTF-8
  EXPECT_STREQ(NoiseUnitName(kNoiseUnits[3]), "ppm FS");
  EXPECT_STREQ(NoiseUnitKey(NoiseUnit::Microvolts), "uV");
  EXPECT_STREQ(NoiseUnitKey(NoiseUnit::PpmFullScale), "ppm");
  for (NoiseUnit u : kNoiseUnits) {
    EXPECT_EQ(NoiseUnitFrom(NoiseUnitKey(u)), u);
    EXPECT_EQ(NoiseUnitFrom(NoiseUnitName(u)), u);
  }
  for (const char* bad : {"", "UV", "nv", "ppm fs", "codes ", "mV"})
    EXPECT_FALSE(NoiseUnitFrom(bad)) << bad;
}

TEST(NoiseUnits, ConversionsReferToTheInput) {
  // 23 bits, gain 1, 2.4 V: one code is 2.4e9 / 2^22 nV.
  EXPECT_DOUBLE_EQ(ConvertNoise(1, NoiseUnit::Nanovolts, 23, 2.4, 1), 572.20458984375);
  EXPECT_DOUBLE_EQ(ConvertNoise(1, NoiseUnit::Microvolts, 23, 2.4, 1), 0.57220458984375);
  EXPECT_DOUBLE_EQ(ConvertNoise(1, NoiseUnit::PpmFullScale, 23, 2.4, 1), 1e6 / 8388608.0);
  EXPECT_EQ(ConvertNoise(7.25, NoiseUnit::Codes, 23, 2.4, 1), 7.25);
  // Fewer bits make a code larger; the gain refers it to a smaller input.
  EXPECT_DOUBLE_EQ(ConvertNoise(3, NoiseUnit::Nanovolts, 16, 1.2, 8), 3 * 1.2e9 / (32768.0 * 8));
  EXPECT_DOUBLE_EQ(ConvertNoise(3, NoiseUnit::PpmFullScale, 16, 1.2, 8), 3e6 / 65536.0);
  // 2^B codes are the whole range 2 x Vref / gain: 1e6 ppm of full scale.
  for (int bits : {8, 12, 23}) {
    const double all = std::ldexp(1.0, bits);
    EXPECT_DOUBLE_EQ(ConvertNoise(all, NoiseUnit::PpmFullScale, bits, 3.3, 4), 1e6);
    EXPECT_DOUBLE_EQ(ConvertNoise(all, NoiseUnit::Nanovolts, bits, 3.3, 4), 2 * 3.3e9 / 4);
  }
  // No resolution chosen counts as 1 bit, as for the nanovolt figures.
  EXPECT_DOUBLE_EQ(ConvertNoise(1, NoiseUnit::Nanovolts, 0, 2.4, 1), 2.4e9);
  EXPECT_DOUBLE_EQ(ConvertNoise(1, NoiseUnit::PpmFullScale, 0, 2.4, 1), 5e5);
}

TEST(NoiseUnits, FiguresWithTheirUnit) {
  EXPECT_EQ(FormatNoise(10.254, NoiseUnit::Codes), "10.25 codes");
  EXPECT_EQ(FormatNoise(1234567.0, NoiseUnit::Codes), "1234567.00 codes");
  EXPECT_EQ(FormatNoise(572.20458984375, NoiseUnit::Nanovolts), "572.2 nV");
  EXPECT_EQ(FormatNoise(0.57220458984375, NoiseUnit::Microvolts), "0.5722 \xC2\xB5V");
  EXPECT_EQ(FormatNoise(1e6 / 8388608.0, NoiseUnit::PpmFullScale), "0.1192 ppm FS");
  EXPECT_EQ(FormatNoise(18750000.0, NoiseUnit::Nanovolts), "18750000 nV");
  EXPECT_EQ(FormatNoise(5.0, NoiseUnit::Nanovolts), "5.000 nV");
  EXPECT_EQ(FormatNoise(1e-9, NoiseUnit::Microvolts), "0.000000 \xC2\xB5V");
  EXPECT_EQ(FormatNoise(0.0, NoiseUnit::Nanovolts), "0.00 nV");
  EXPECT_EQ(FormatNoise(-0.0, NoiseUnit::Codes), "0.00 codes");
  EXPECT_EQ(FormatNoise(-12.5, NoiseUnit::Nanovolts), "-12.50 nV");
  EXPECT_EQ(FormatNoise(std::numeric_limits<double>::quiet_NaN(), NoiseUnit::Nanovolts), "n/a nV");
  EXPECT_EQ(FormatNoise(std::numeric_limits<double>::infinity(), NoiseUnit::Codes), "n/a codes");
}

}  // namespace
}  // namespace qx::analysis

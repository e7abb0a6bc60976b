#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/SimTarget.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

struct Stats {
  double mean = 0;
  double rms = 0;  ///< standard deviation
};

Stats Measure(SimTarget& t, int n) {
  std::vector<double> v(static_cast<size_t>(n));
  double sum = 0;
  for (double& x : v) {
    x = t.Convert();
    sum += x;
  }
  Stats s;
  s.mean = sum / n;
  double sq = 0;
  for (const double x : v) sq += (x - s.mean) * (x - s.mean);
  s.rms = std::sqrt(sq / n);
  return s;
}

class TargetModel : public ::testing::Test {
 protected:
  void SetUp() override {
    t.PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
    t.AdgnGain() = {1, 2, 3, 4};
  }
  chip::ChipModel model = test::Qx740xModel();
  SimTarget t{model, 1234};
};

TEST_F(TargetModel, GainFromPgaAdgnAndFsrbFields) {
  EXPECT_DOUBLE_EQ(t.Gain(), 1);
  t.SetRegister(0, 0x03);  // PGA 3
  EXPECT_DOUBLE_EQ(t.Gain(), 8);
  t.SetRegister(0, 0x03 | (2 << 3));  // ADGN 2
  EXPECT_DOUBLE_EQ(t.Gain(), 24);
  t.SetRegister(0, 0x03 | (2 << 3) | 0x20);  // FSRB
  EXPECT_DOUBLE_EQ(t.Gain(), 48);
  t.PgaGain()[3] = 0;  // an unset entry counts as 1
  EXPECT_DOUBLE_EQ(t.Gain(), 6);
}

TEST_F(TargetModel, NoiseStartsOverAfterARegisterWrite) {
  t.SetOutputNoiseCodes(3);
  auto draw = [&] {
    std::vector<int32_t> codes;
    for (int i = 0; i < 8; ++i) codes.push_back(t.Convert());
    return codes;
  };
  t.SetRegister(0, 0x02);
  const auto first = draw();
  EXPECT_NE(draw(), first);  // between writes the noise goes on
  const double rate = t.OutputRateSps();
  t.SetRegister(1, 0x07);  // another rate: a sequence of its own
  ASSERT_NE(t.OutputRateSps(), rate);
  EXPECT_NE(draw(), first);
  t.SetRegister(1, 0x00);  // back to the first rate: the first sequence again
  ASSERT_EQ(t.OutputRateSps(), rate);
  EXPECT_EQ(draw(), first);
  t.SetRegister(0, 0x02);
  EXPECT_EQ(draw(), first);
}

TEST_F(TargetModel, AbsentFieldsMeanGainOneAndTheDefaultRate) {
  chip::ChipModel empty;
  SimTarget bare{empty};
  bare.PgaGain() = {5, 5, 5, 5, 5, 5, 5, 5};
  bare.SetRegister(0, 0xFF);
  EXPECT_DOUBLE_EQ(bare.Gain(), 1);
  EXPECT_DOUBLE_EQ(bare.OutputRateSps(), SimTarget::kDefaultRateSps);
  bare.SetDefaultRateSps(320);
  EXPECT_DOUBLE_EQ(bare.OutputRateSps(), 320);
}

TEST_F(TargetModel, FieldsAboveTheRegisterFileLiveInMemory) {
  chip::ChipModel m;
  m.AdcFields["PGA"] = chip::FieldDescriptor{60, 3, 4, 0, true};
  SimTarget other{m};
  other.PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
  other.SetMemory(60, 0x50);  // PGA 5 in bits 4..6
  EXPECT_DOUBLE_EQ(other.Gain(), 32);
}

TEST_F(TargetModel, CodesAreTwosComplementAndClip) {
  t.SetDcLevelVolts(1.2);
  EXPECT_EQ(t.ConvertRaw(), 0x400000u);
  t.SetDcLevelVolts(-2.4);
  EXPECT_EQ(t.ConvertRaw(), 0x800000u);
  t.SetDcLevelVolts(2.4);
  EXPECT_EQ(t.ConvertRaw(), 0x7FFFFFu);
  t.SetDcLevelVolts(-10);
  EXPECT_EQ(t.Convert(), SimTarget::kCodeMin);
  t.SetRegister(0, 0x02);  // gain 4: 0.3 V is half scale
  t.SetDcLevelVolts(0.3);
  EXPECT_EQ(t.ConvertRaw(), 0x400000u);
  t.SetReferenceVolts(1.2);
  EXPECT_EQ(t.ConvertRaw(), 0x7FFFFFu);
}

TEST_F(TargetModel, OutputNoiseDoesNotDependOnGain) {
  t.SetDcLevelVolts(0.01);
  t.SetOutputNoiseCodes(50);
  for (const uint8_t pga : test::Bytes({0, 4, 7})) {
    t.SetRegister(0, pga);
    const Stats s = Measure(t, 20000);
    EXPECT_NEAR(s.rms, 50, 1.5) << "PGA " << int{pga};
    EXPECT_NEAR(s.mean, t.IdealCode(), 1.5);
  }
}

TEST_F(TargetModel, InputNoiseScalesWithGain) {
  t.SetInputNoiseNv(2000);  // one code is 2.4 V / 2^23 = 286.1 nV at gain 1
  const double nvPerCode = 2.4e9 / 8388608.0;
  for (const uint8_t pga : test::Bytes({0, 3, 6})) {
    t.SetRegister(0, pga);
    const Stats s = Measure(t, 20000);
    const double expected = 2000 / nvPerCode * t.Gain();
    EXPECT_NEAR(s.rms, expected, expected * 0.03) << "PGA " << int{pga};
    EXPECT_NEAR(s.mean, 0, expected * 0.05);
  }
}

// A sigma-delta's input noise falls as 1 / sqrt(OSR): a quarter of the rate is half the noise.
// The output-referred floor stays whatever the rate.
TEST_F(TargetModel, InputNoiseFallsWithTheOutputRateDownToTheFloor) {
  const double nvPerCode = 2.4e9 / 8388608.0;
  const struct {
    uint8_t reg1;  // OSR in bits 0..2, HS in bit 3
    double sps;
  } kRates[] = {{0, 2560}, {2, 640}, {7, 10}, {0x08, 7680}};
  for (const auto& c : kRates) {
    t.SetInputNoiseNv(20000);
    t.SetOutputNoiseCodes(0);
    t.SetRegister(1, c.reg1);
    ASSERT_DOUBLE_EQ(t.OutputRateSps(), c.sps);
    const double expected = 20000 / nvPerCode * std::sqrt(c.sps / 2560);
    EXPECT_NEAR(Measure(t, 20000).rms, expected, expected * 0.03) << c.sps << " sps";
    t.SetInputNoiseNv(0);
    t.SetOutputNoiseCodes(30);
    EXPECT_NEAR(Measure(t, 20000).rms, 30, 1) << c.sps << " sps";
  }
}

// The gain error multiplies the whole input, offset included.
TEST_F(TargetModel, GainErrorScalesTheCode) {
  t.SetDcLevelVolts(0.6);
  t.SetOffsetSource([] { return 0.0006; });
  EXPECT_EQ(t.IdealCode(), 2099249);  // 0.6006 V of 2.4 V
  double error = 0;
  t.SetGainErrorSource([&error] { return error; });
  error = 100e-6;
  EXPECT_EQ(t.IdealCode(), 2099459);  // 100 ppm more
  EXPECT_EQ(t.Convert(), 2099459);
}

TEST_F(TargetModel, MeanFollowsTheDcLevel) {
  t.SetOutputNoiseCodes(20);
  t.SetInputNoiseNv(500);
  t.SetRegister(0, 0x01);  // gain 2
  t.SetDcLevelVolts(-0.15);
  const Stats s = Measure(t, 20000);
  EXPECT_NEAR(s.mean, -0.15 * 2 / 2.4 * 8388608.0, 1.0);
}

TEST_F(TargetModel, NoNoiseMeansConstantCodes) {
  t.SetDcLevelVolts(0.123);
  const int32_t first = t.Convert();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(t.Convert(), first);
}

TEST_F(TargetModel, SameSeedSameSequence) {
  chip::ChipModel m = test::Qx740xModel();
  SimTarget a{m, 99};
  SimTarget b{m, 99};
  a.SetOutputNoiseCodes(10);
  b.SetOutputNoiseCodes(10);
  std::vector<int32_t> va;
  std::vector<int32_t> vb;
  for (int i = 0; i < 50; ++i) {
    va.push_back(a.Convert());
    vb.push_back(b.Convert());
  }
  EXPECT_EQ(va, vb);
  b.Seed(100);
  EXPECT_NE(a.Convert(), b.Convert());
}

}  // namespace
}  // namespace qx::sim

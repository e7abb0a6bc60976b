#include "sim/SimSwitchFirmware.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/base/FakeClock.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

/// The firmware driven through link kind 1 frames of the bridge (BC 40 write, BC C0 read).
class Firmware : public ::testing::Test {
 protected:
  Firmware() {
    bridge.SetTargetProgram([this] { firmware.Step(); });
    target.PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
    target.SetDcLevelVolts(0.3);
    target.SetInputNoiseNv(0);
    target.SetOutputNoiseCodes(0);
  }
  void Write(uint16_t address, std::initializer_list<uint8_t> data) {
    std::vector<uint8_t> f{0xBC, 0x40, static_cast<uint8_t>(address),
                           static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(data.size())};
    f.insert(f.end(), data);
    bridge.Answer(f);
  }
  std::vector<uint8_t> Read(uint16_t address, uint8_t count) {
    auto r = bridge.Answer(std::vector<uint8_t>{0xBC, 0xC0, static_cast<uint8_t>(address),
                                                static_cast<uint8_t>(address >> 8), count});
    r.resize(count);
    return r;
  }
  uint8_t Flags() { return bridge.Answer(std::vector<uint8_t>{0xB5, 0x07})[1]; }
  /// Two channels that differ only in the PGA field of the converter's register 0 (0x3C). The
  /// table's third entry (PGA 1) lies beyond the channel count: the target never measures it.
  void StartTwoChannels(uint8_t stepLen, uint16_t loops) {
    Write(0x128, {0x31, 0x32, 0x37, 0x3C, 0x3D, 0x3E, 0x3F, 0x40});
    Write(0x130, {0, 0, 0, 0x00, 0x07, 0, 0, 0, 0, 0, 0, 0x02, 0x07, 0, 0, 0,  // PGA 0, PGA 2
                  0, 0, 0, 0x01, 0x07, 0, 0, 0});                              // PGA 1
    Write(0x120, {stepLen});
    Write(0x122, {static_cast<uint8_t>(loops), static_cast<uint8_t>(loops >> 8)});
    Write(0x124, {2});
    Write(0xA4, {0x10});
  }
  int32_t SampleAt(const std::vector<uint8_t>& bytes, size_t i) {
    const uint32_t raw = bytes[3 * i] | bytes[3 * i + 1] << 8 | bytes[3 * i + 2] << 16;
    return static_cast<int32_t>(raw << 8) >> 8;
  }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimBridge bridge{clock, target};
  SimSwitchFirmware firmware{clock, target, bridge};
};

TEST_F(Firmware, ResetBitClearsAfterTheBusyTimeUnlessStuck) {
  Write(0xD2, {0x85});
  EXPECT_EQ(Read(0xD2, 1)[0], 0x85);
  clock.Advance(SimSwitchFirmware::kBusyMs);
  EXPECT_EQ(Read(0xD2, 1)[0], 0x05);
  EXPECT_EQ(Flags() & 0x30, 0);  // the reset takes the completion flags down

  firmware.SetBusyStuck(true);
  Write(0xD2, {0x80});
  clock.Advance(1000);
  EXPECT_EQ(Read(0xD2, 1)[0], 0x80);
}

TEST_F(Firmware, RunMeasuresEachChannelAtItsGainAndCompletesAfterItsRunTime) {
  StartTwoChannels(4, 2);
  ASSERT_TRUE(firmware.Running());
  // OSR 7 (register 1 = 0x07) converts at 10 samples a second: 16 samples take 1.6 s.
  EXPECT_DOUBLE_EQ(firmware.RunTimeMs(), 1600);
  EXPECT_EQ(Read(0xA4, 1)[0] & 0x10, 0);  // the start bit is taken
  clock.Advance(1599);
  EXPECT_EQ(Flags() & 0x30, 0);
  clock.Advance(1);
  EXPECT_EQ(Flags() & 0x30, 0x30);

  // 0.3 V of 2.4 V is 1/8 of full scale: 1048576 codes at gain 1, 4194304 at gain 4.
  Write(0x170, {0, 0, 0});
  Write(0x173, {48, 0, 0});
  Write(0xA4, {0x08});
  clock.Advance(SimSwitchFirmware::kBusyMs);
  EXPECT_EQ(Read(0xA4, 1)[0] & 0x08, 0);
  const auto chunk = Read(0x100, 48);
  for (size_t i = 0; i < 16; ++i) {
    const bool second = (i / 4) % 2 == 1;
    EXPECT_EQ(SampleAt(chunk, i), second ? 4194304 : 1048576) << i;
  }
}

TEST_F(Firmware, EveryStepConvertsAfreshThroughTheChannelSwitches) {
  target.SetOutputNoiseCodes(4);
  StartTwoChannels(1, 16);  // one sample a step: 32 steps, each after a switch of PGA
  const auto& bytes = firmware.Results();
  ASSERT_EQ(bytes.size(), 3u * 32);
  for (size_t ch = 0; ch < 2; ++ch) {
    double sum = 0, squares = 0;
    for (size_t loop = 0; loop < 16; ++loop) sum += SampleAt(bytes, 2 * loop + ch);
    const double mean = sum / 16;
    for (size_t loop = 0; loop < 16; ++loop) {
      const double d = SampleAt(bytes, 2 * loop + ch) - mean;
      squares += d * d;
    }
    // The output-referred noise of 4 codes RMS, not one draw repeated at every step.
    EXPECT_GT(std::sqrt(squares / 16), 1.5) << ch;
    EXPECT_NEAR(mean, ch == 0 ? 1048576 : 4194304, 8) << ch;
  }
}

TEST_F(Firmware, FaultsNeverCompleteAndGarbleAChunk) {
  firmware.SetNeverCompletes(true);
  StartTwoChannels(1, 1);
  clock.Advance(60'000);
  EXPECT_EQ(Flags() & 0x30, 0);

  firmware.GarbleNextChunk();
  Write(0x170, {3, 0, 0});
  Write(0x173, {3, 0, 0});
  Write(0xA4, {0x08});
  clock.Advance(SimSwitchFirmware::kBusyMs);
  Read(0xA4, 1);
  EXPECT_EQ(SampleAt(Read(0x100, 3), 0), ~4194304);
}

}  // namespace
}  // namespace qx::sim

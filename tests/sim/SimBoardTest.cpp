#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/base/FakeClock.h"
#include "sim/SimBoard.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

// The board as qxctl and the panel attach it: one target behind every way in.
TEST(SimBoardFacade, DefaultBoardIsAHidBridgeWithANoisyDemoSignal) {
  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  bool present = false;
  EXPECT_TRUE(link::IsValidHandle(board.Hid().GetDevice(0, present)));
  EXPECT_EQ(board.Bulk().Open("Qxusb-0"), link::kInvalidHandle);

  double sum = 0;
  double sq = 0;
  constexpr int kN = 4000;
  for (int i = 0; i < kN; ++i) {
    const double c = board.Target().Convert();
    sum += c;
    sq += c * c;
  }
  const double mean = sum / kN;
  const double sigma = std::sqrt(sq / kN - mean * mean);
  EXPECT_NEAR(mean, 0x200000, 1.0);
  // 400 nV is 1.398 codes at gain 1; with 1.5 codes of output noise about 2.05 codes.
  EXPECT_NEAR(sigma, std::hypot(400 / (2.4e9 / 8388608.0), 1.5), 0.1);
}

TEST(SimBoardFacade, SerialAndUsbPathsShareTheTargetMemory) {
  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  auto port = board.SerialPorts().Open("COM1");
  ASSERT_NE(port, nullptr);
  const std::array<uint8_t, 5> write{0x40, 0x80, 0x00, 0x01, 0x6B};
  ASSERT_TRUE(port->Write(write));
  EXPECT_EQ(board.Bridge().Answer(test::Bytes({0xC1, 0x80, 0x80, 0x00, 0x01})),
            test::Reply({0x6B, 0xFA}));
}

}  // namespace
}  // namespace qx::sim

namespace qx::sim {
namespace {

TEST(SimBoardFacade, CalibratorDrivesTheInputAndTheChamberDriftsOffsetAndGain) {
  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  std::vector<uint8_t> answer;
  const std::string lines = "OUT 1.2 V\rOPER\r";
  board.Instruments().Calibrator().Feed(
      std::span(reinterpret_cast<const uint8_t*>(lines.data()), lines.size()), answer);
  EXPECT_EQ(board.Target().IdealCode(), 0x400000);  // half of the 2.4 V reference
  EXPECT_DOUBLE_EQ(board.Instruments().Meter(0).Value(), 1.2);
  EXPECT_DOUBLE_EQ(board.Instruments().Meter(2).Value(), 25.0);

  // 60 °C above room temperature at 2 µV/°C is 120 µV more input, and at 5 ppm/°C 300 ppm
  // more gain: 1.20012 V x 1.0003 of 2.4 V.
  board.Instruments().Chamber().Thermal().SetCelsius(85.0);
  EXPECT_EQ(board.Target().IdealCode(), std::lround(1.20012 * 1.0003 / 2.4 * 8388608.0));
}

}  // namespace
}  // namespace qx::sim

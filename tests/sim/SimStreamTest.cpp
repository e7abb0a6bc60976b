#include <gtest/gtest.h>

#include "core/base/FakeClock.h"
#include "sim/SimBridge.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

using test::Bytes;
using test::Reply;

class BridgeStream : public ::testing::Test {
 protected:
  void SetUp() override {
    target.SetRegister(1, 0x0D);  // OSR 5, HS 1: 240 results per second
    target.SetDcLevelVolts(0.6);  // code 0x200000
  }
  std::vector<uint8_t> Poll() { return bridge.Answer(Bytes({0xC4, 0x04})); }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimBridge bridge{clock, target};
};

TEST_F(BridgeStream, ResultsFollowTheClockAndPollsTakeAtMost21) {
  EXPECT_EQ(bridge.Answer(Bytes({0xC4, 0x02, 0x03, 0x10, 0x00})), Reply({0xFA}));
  EXPECT_EQ(Poll(), Reply({0x00}));
  clock.Advance(100);  // 24 results due
  const auto first = Poll();
  ASSERT_EQ(first[0], 21);
  for (size_t j = 0; j < 21; ++j) {
    EXPECT_EQ(first[1 + 3 * j], 0x20);
    EXPECT_EQ(first[2 + 3 * j], 0x00);
    EXPECT_EQ(first[3 + 3 * j], 0x00);
  }
  EXPECT_EQ(first[64 - 1], 0x00);
  EXPECT_EQ(Poll(), Reply({0x03, 0x20, 0x00, 0x00, 0x20, 0x00, 0x00, 0x20, 0x00, 0x00}));
  EXPECT_EQ(Poll(), Reply({0x00}));
  clock.Advance(1000);
  EXPECT_EQ(bridge.QueuedResults(), 240u);
  EXPECT_EQ(bridge.Answer(Bytes({0xC4, 0x03, 0x01})), Reply({0xFA}));
  clock.Advance(1000);
  EXPECT_EQ(Poll(), Reply({0x00})) << "stop discards the buffer and halts conversions";
}

struct RateCase {
  uint8_t reg1;
  double sps;
};

class BridgeStreamRate : public BridgeStream, public ::testing::WithParamInterface<RateCase> {};

TEST_P(BridgeStreamRate, TenSecondsGiveTenSecondsOfResults) {
  target.SetRegister(1, GetParam().reg1);
  EXPECT_DOUBLE_EQ(target.OutputRateSps(), GetParam().sps);
  bridge.Answer(Bytes({0xC4, 0x02, 0x01, 0x00, 0x00}));
  size_t total = 0;
  for (int step = 0; step < 100; ++step) {
    clock.Advance(100);
    for (auto r = Poll(); r[0] != 0; r = Poll()) total += r[0];
  }
  EXPECT_EQ(total, static_cast<size_t>(GetParam().sps * 10));
  EXPECT_EQ(bridge.LostResults(), 0u);
}

INSTANTIATE_TEST_SUITE_P(OsrAndHs, BridgeStreamRate,
                         ::testing::Values(RateCase{0x00, 2560}, RateCase{0x05, 80},
                                           RateCase{0x07, 10}, RateCase{0x0F, 30},
                                           RateCase{0x08, 7680}, RateCase{0x0D, 240}));

TEST_F(BridgeStream, RateChangeTakesEffectFromTheWrite) {
  bridge.Answer(Bytes({0xC4, 0x02, 0x03, 0x00, 0x00}));
  clock.Advance(500);  // 120 results at 240/s
  // OSR 7, HS 0: 10 results per second from here on.
  bridge.Answer(Bytes({0xC4, 0x00, 0xA0, 0x01, 0x01, 0, 0, 0x07}));
  clock.Advance(500);
  EXPECT_EQ(bridge.QueuedResults(), 125u);
}

TEST_F(BridgeStream, FullBufferLosesTheNewestResults) {
  bridge.Answer(Bytes({0xC4, 0x02, 0x03, 0x00, 0x00}));
  clock.Advance(3'600'000);  // an hour without polls
  EXPECT_EQ(bridge.QueuedResults(), SimBridge::kStreamQueueCapacity);
  EXPECT_EQ(bridge.LostResults(), 240u * 3600u - SimBridge::kStreamQueueCapacity);
}

TEST_F(BridgeStream, RestartClearsTheBuffer) {
  bridge.Answer(Bytes({0xC4, 0x02, 0x03, 0x00, 0x00}));
  clock.Advance(1000);
  bridge.Answer(Bytes({0xC4, 0x02, 0x03, 0x00, 0x00}));
  EXPECT_EQ(bridge.QueuedResults(), 0u);
  clock.Advance(50);
  EXPECT_EQ(bridge.QueuedResults(), 12u);
}

TEST_F(BridgeStream, TemperatureModeStreamsTheSensorWord) {
  target.SetTemperatureWord(0x1234);
  bridge.Answer(Bytes({0xC4, 0x02, 0x02, 0x00, 0x00}));
  EXPECT_EQ(bridge.StreamMode(), 2);
  clock.Advance(10);  // 2.4 results: 2 due
  EXPECT_EQ(Poll(), Reply({0x02, 0x12, 0x34, 0x00, 0x12, 0x34, 0x00}));
}

}  // namespace
}  // namespace qx::sim

#include <gtest/gtest.h>

#include "core/base/FakeClock.h"
#include "sim/SimBridge.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

using test::Bytes;
using test::Reply;

class BridgeFrames : public ::testing::Test {
 protected:
  std::vector<uint8_t> Ask(std::initializer_list<uint8_t> request) {
    return bridge.Answer(Bytes(request));
  }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimBridge bridge{clock, target};
};

TEST_F(BridgeFrames, ClaimCycle) {
  EXPECT_EQ(Ask({0xF9, 0x02, 0x00, 0x00}), Reply({0xFF, 0xFF}));
  // Identity is only given to a host that holds the claim.
  EXPECT_EQ(Ask({0xF9, 0xAC}), Reply({}));
  EXPECT_EQ(Ask({0xF9, 0x01, 0x00, 0x00}), Reply({0x00, 0x00}));
  EXPECT_TRUE(bridge.Claimed());
  EXPECT_EQ(Ask({0xF9, 0x02, 0x12, 0x34}), Reply({0x00, 0x00}));
  EXPECT_EQ(Ask({0xF9, 0x04, 0x00, 0x00}), Reply({0x00, 0x00}));
  EXPECT_EQ(Ask({0xF9, 0x06, 0x07, 0x00}), Reply({0x07, 0x00}));
  EXPECT_EQ(Ask({0xF9, 0xAC}), Reply({'Q', 'u', 'o', 'r', 'v', 'a', 'n', 'e'}));
  // Release with 0xFFFF frees the bridge for the next scan.
  EXPECT_EQ(Ask({0xF9, 0x01, 0xFF, 0xFF}), Reply({0xFF, 0xFF}));
  EXPECT_FALSE(bridge.Claimed());
  EXPECT_EQ(Ask({0xF9, 0x02, 0x00, 0x00}), Reply({0xFF, 0xFF}));
}

TEST_F(BridgeFrames, ClaimWordIsTheClaimingParameter) {
  Ask({0xF9, 0x01, 0x05, 0x01});
  EXPECT_EQ(Ask({0xF9, 0x02, 0x00, 0x00}), Reply({0x05, 0x01}));
  EXPECT_EQ(bridge.ClaimWord(), 0x0105);
}

TEST_F(BridgeFrames, FirmwareNameAndStatus) {
  EXPECT_EQ(Ask({0xF9, 0x05, 0, 0, 0, 0, 0, 0}), Reply({'Q', 'X', 'B', 'R', 'I', 'D', 'G', 'E'}));
  bridge.SetFirmwareName("ENOB");
  EXPECT_EQ(Ask({0xF9, 0x05, 0, 0, 0, 0, 0, 0}), Reply({'E', 'N', 'O', 'B', ' ', ' ', ' ', ' '}));
  bridge.SetFirmwareName("ENOBTEST-LONG");
  EXPECT_EQ(Ask({0xF9, 0x05}), Reply({'E', 'N', 'O', 'B', 'T', 'E', 'S', 'T'}));

  EXPECT_EQ(Ask({0xB5, 0x07, 0x00}), Reply({0xB5, 0x30, 0x00, 0x00}));
  bridge.SetStatusBytes({0x10, 0x22, 0x33});
  EXPECT_EQ(Ask({0xB5, 0x07, 0x00}), Reply({0xB5, 0x10, 0x22, 0x33}));
}

TEST_F(BridgeFrames, InitExchange) {
  EXPECT_EQ(Ask({0xC5, 0xFF, 0x01, 0x00}), Reply({0xC5, 0xFF, 0x01}));
  EXPECT_EQ(Ask({0xC5, 0xFF, 0x00, 0x9C}), Reply({0xC5, 0xFF, 0x00}));
  EXPECT_EQ(bridge.UnknownFrames(), 0u);
}

TEST_F(BridgeFrames, Kind1ReadAndWrite) {
  EXPECT_EQ(Ask({0xBC, 0x40, 0x10, 0x01, 0x03, 0xA1, 0xA2, 0xA3}), Reply({0xAA}));
  EXPECT_EQ(target.Memory(0x110), 0xA1);
  EXPECT_EQ(target.Memory(0x112), 0xA3);
  EXPECT_EQ(Ask({0xB1, 0xC0, 0x0F, 0x01, 0x05}), Reply({0x00, 0xA1, 0xA2, 0xA3, 0x00}));
  EXPECT_EQ(Ask({0xBC, 0xC0, 0x11, 0x01, 0x01}), Reply({0xA2}));
}

TEST_F(BridgeFrames, Kind1LongReadGrowsTheReply) {
  for (size_t i = 0; i < 100; ++i) target.SetMemory(i, static_cast<uint8_t>(i + 1));
  const auto reply = Ask({0xBC, 0xC0, 0x00, 0x00, 100});
  ASSERT_EQ(reply.size(), 100u);
  EXPECT_EQ(reply[0], 1);
  EXPECT_EQ(reply[99], 100);
}

TEST_F(BridgeFrames, ReadsBeyondMemoryGiveZerosAndWritesThereAreIgnored) {
  target.SetMemory(1023, 0x5A);
  EXPECT_EQ(Ask({0xBC, 0xC0, 0xFF, 0x03, 0x03}), Reply({0x5A, 0x00, 0x00}));
  EXPECT_EQ(Ask({0xBC, 0x40, 0xFF, 0x03, 0x02, 0x11, 0x22}), Reply({0xAA}));
  EXPECT_EQ(target.Memory(1023), 0x11);
  EXPECT_EQ(target.Memory(1024), 0x00);
}

// Kind 2 carries bits 0..4 of the address high byte in bits 2..6 of the second byte; the
// 7R402/7R411 form sends C0 / 40 and reaches the first 256 bytes.
struct Kind2Case {
  uint8_t read;
  uint8_t write;
  uint16_t address;
};

class BridgeKind2 : public BridgeFrames, public ::testing::WithParamInterface<Kind2Case> {};

TEST_P(BridgeKind2, WriteThenReadBack) {
  const Kind2Case c = GetParam();
  const auto lo = static_cast<uint8_t>(c.address & 0xFF);
  EXPECT_EQ(Ask({0xBA, c.write, lo, 0x02, 0x02, 0x3C, 0x4D}), Reply({0xAA}));
  EXPECT_EQ(target.Memory(c.address), 0x3C);
  EXPECT_EQ(target.Memory(c.address + 1u), 0x4D);
  EXPECT_EQ(Ask({0xBE, c.read, lo, 0x02, 0x02}), Reply({0x3C, 0x4D}));
  EXPECT_EQ(bridge.UnknownFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Forms, BridgeKind2,
                         ::testing::Values(Kind2Case{0xC0, 0x40, 0x0021},
                                           Kind2Case{0x80, 0x00, 0x0042},
                                           Kind2Case{0x84, 0x04, 0x0142},
                                           Kind2Case{0x88, 0x08, 0x02F0},
                                           Kind2Case{0x8C, 0x0C, 0x03FE}));

TEST_F(BridgeFrames, Kind4ReadEndsWithFaAndWriteAnswersAa) {
  EXPECT_EQ(Ask({0xC1, 0x00, 0x30, 0x02, 0x02, 0x77, 0x88}), Reply({0xAA}));
  EXPECT_EQ(Ask({0xC1, 0x80, 0x30, 0x02, 0x02}), Reply({0x77, 0x88, 0xFA}));
  EXPECT_EQ(Ask({0xC1, 0x80, 0x31, 0x02, 0x00}), Reply({0xFA}));
}

TEST_F(BridgeFrames, Kind5RegisterFile) {
  // C4 00 A0 addr cnt xx xx data: bytes 5 and 6 carry nothing.
  EXPECT_EQ(Ask({0xC4, 0x00, 0xA0, 0x01, 0x03, 0xEE, 0xEE, 0x11, 0x22, 0x33}), Reply({0xFA}));
  EXPECT_EQ(target.Register(1), 0x11);
  EXPECT_EQ(target.Register(3), 0x33);
  EXPECT_EQ(target.Memory(1), 0x00) << "the register file is not target memory";
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA0, 0x00, 0x05}), Reply({0xFA, 0x00, 0x11, 0x22, 0x33, 0x00}));
  // Addresses past the five registers read 0 and are not written.
  EXPECT_EQ(Ask({0xC4, 0x00, 0xA0, 0x03, 0x03, 0, 0, 0x44, 0x55, 0x66}), Reply({0xFA}));
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA0, 0x03, 0x04}), Reply({0xFA, 0x44, 0x55, 0x00, 0x00}));
}

TEST_F(BridgeFrames, SingleResultAndWordReads) {
  target.SetDcLevelVolts(0.6);  // a quarter of the 2.4 V reference: code 0x200000
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA0, 0x05, 0x03}), Reply({0xFA, 0x20, 0x00, 0x00}));
  target.SetDcLevelVolts(-0.6);
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA0, 0x05, 0x03}), Reply({0xFA, 0xE0, 0x00, 0x00}));
  target.SetTemperatureWord(0x1A2B);
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA0, 0x06, 0x02}), Reply({0xFA, 0x1A, 0x2B}));
}

TEST_F(BridgeFrames, OneShotGivesTwoResultsLowByteFirst) {
  target.SetDcLevelVolts(0.3);  // code 0x100000
  const std::vector<uint8_t> expected = Reply({0xFA, 0x00, 0x00, 0x10, 0x00, 0x00, 0x10});
  for (const uint8_t p : Bytes({0xBB, 0xBD, 0xBA, 0xBE})) {
    for (const uint8_t k : Bytes({0, 1})) {
      EXPECT_EQ(Ask({p, k, 0x02, 0x00, 0x01, 0xF0, 0x00, 0x08, 0x64}), expected)
          << std::hex << int{p} << " k=" << int{k};
    }
  }
  EXPECT_EQ(bridge.UnknownFrames(), 0u);
  EXPECT_EQ(target.Memory(0x100), 0x00) << "the one-shot does not write memory";
}

TEST_F(BridgeFrames, UartProbeAnswersOneByte) {
  EXPECT_EQ(Ask({0xC0, 0x00, 0x00, 0x06, 0x81, 0x02}), Reply({0xAA}));
  EXPECT_EQ(bridge.UnknownFrames(), 0u);
}

TEST_F(BridgeFrames, UnknownFramesAnswerZerosAndAreCounted) {
  EXPECT_EQ(Ask({0x12, 0x34}), Reply({}));
  EXPECT_EQ(Ask({0xF9, 0x77}), Reply({}));
  EXPECT_EQ(Ask({0xC4, 0x01, 0xA1, 0x00, 0x01}), Reply({}));
  EXPECT_EQ(Ask({0xBB, 0x00, 0x00, 0x00, 0x00}), Reply({}));
  EXPECT_EQ(bridge.UnknownFrames(), 4u);
}

}  // namespace
}  // namespace qx::sim

#include "sim/SimFaultPlan.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimBridge.h"
#include "sim/SimInstrument.h"
#include "sim/SimTarget.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

using Kind = SimFault::Kind;

TEST(SimFaultPlan, ParsesEveryKindInTheOrderGiven) {
  std::string error;
  const auto plan =
      SimFaultPlan::Parse("drop@40,late:1500@400,unplug@900,corrupt@7,fail@8,unplug:250@9", error);
  ASSERT_TRUE(plan) << error;
  const std::vector<SimFault> expected = {
      {Kind::Drop, 40, 0},   {Kind::Late, 400, 1500}, {Kind::Unplug, 900, 0},
      {Kind::Corrupt, 7, 0}, {Kind::Fail, 8, 0},      {Kind::Unplug, 9, 250},
  };
  EXPECT_EQ(*plan, expected);
}

/// The bridge alone: firmware name requests, numbered from 1.
class PlannedFaults : public ::testing::Test {
 protected:
  /// One request and its reply; false when either transfer failed.
  bool Exchange(std::array<uint8_t, 64>& reply) {
    const std::array<uint8_t, 2> request{0xF9, 0x05};  // firmware name "QXBRIDGE"
    size_t got = 0;
    return bridge.Receive(request) && bridge.Send(reply, got);
  }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimBridge bridge{clock, target};
};

TEST_F(PlannedFaults, EachFaultHitsItsRequestOnly) {
  std::string error;
  bridge.SetFaultPlan(*SimFaultPlan::Parse("drop@2,corrupt@3,late:300@4,fail@5", error));
  std::array<uint8_t, 64> reply{};
  ASSERT_TRUE(Exchange(reply));
  EXPECT_EQ(reply[0], 'Q');

  double before = clock.NowMs();
  EXPECT_FALSE(Exchange(reply)) << "request 2: the reply is lost";
  EXPECT_EQ(bridge.LastError(), ETIMEDOUT);
  EXPECT_EQ(clock.NowMs() - before, SimBridge::kReadTimeoutMs);

  ASSERT_TRUE(Exchange(reply));
  EXPECT_EQ(reply[0], static_cast<uint8_t>(~'Q')) << "request 3: inverted";

  before = clock.NowMs();
  ASSERT_TRUE(Exchange(reply));
  EXPECT_EQ(reply[0], 'Q');
  EXPECT_EQ(clock.NowMs() - before, 300) << "request 4: late";

  EXPECT_FALSE(Exchange(reply)) << "request 5: the transfer fails";
  EXPECT_EQ(bridge.LastError(), EIO);
  ASSERT_TRUE(Exchange(reply));
  EXPECT_EQ(bridge.RequestCount(), 6u);
}

TEST_F(PlannedFaults, UnplugWithATimeComesBackByItself) {
  std::string error;
  bridge.SetFaultPlan(*SimFaultPlan::Parse("unplug:500@2", error));
  std::array<uint8_t, 64> reply{};
  ASSERT_TRUE(Exchange(reply));
  const uint32_t generation = bridge.Generation();
  EXPECT_FALSE(Exchange(reply));
  EXPECT_EQ(bridge.LastError(), ENODEV);
  EXPECT_FALSE(bridge.Present());
  EXPECT_EQ(bridge.Generation(), generation + 1);
  clock.Advance(499);
  EXPECT_FALSE(bridge.Present());
  clock.Advance(1);
  EXPECT_TRUE(bridge.Present());
  EXPECT_TRUE(Exchange(reply));

  // Without a time it stays off the bus.
  bridge.SetFaultPlan(*SimFaultPlan::Parse("unplug@4", error));
  EXPECT_FALSE(Exchange(reply));
  clock.Advance(1e6);
  EXPECT_FALSE(bridge.Present());
}

// Instrument line faults name their line and count its answers; a bridge fault names none.
TEST(SimFaultPlan, InstrumentFaultsNameTheirLine) {
  std::string error;
  const auto plan = SimFaultPlan::Parse("garble-chamber@2,slow-fluke:1500@1,drop@3", error);
  ASSERT_TRUE(plan) << error;
  const std::vector<SimFault> expected = {
      {Kind::Garble, 2, 0, "chamber"}, {Kind::Slow, 1, 1500, "fluke"}, {Kind::Drop, 3, 0}};
  EXPECT_EQ(*plan, expected);
  const struct {
    const char* text;
    const char* why;
  } bad[] = {
      {"garble@2", "garble needs its line: -chamber, -fluke or -power"},
      {"garble-meter@2", "garble needs its line"},
      {"slow-power@2", "slow needs :MS"},
      {"drop-chamber@2", "drop is a fault of the bridge"},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(SimFaultPlan::Parse(b.text, error)) << b.text;
    EXPECT_NE(error.find(b.why), std::string::npos) << b.text << ": " << error;
  }
}

/// A device that answers every byte with the byte after it.
class NextByte : public SimByteProtocol {
 public:
  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override {
    for (uint8_t b : in) out.push_back(static_cast<uint8_t>(b + 1));
  }
};

TEST(SimInstrumentAnswers, EachAnswerFaultHitsItsAnswerOnly) {
  NextByte device;
  SimInstrument line(device);
  line.PlanAnswerFaults({{2, true, 0}, {3, false, 700}});
  const std::array<uint8_t, 1> a{'A'};
  std::vector<uint8_t> out;
  line.Feed(a, out);
  EXPECT_EQ(out, std::vector<uint8_t>{'B'});
  EXPECT_EQ(line.ReplyDelayMs(), 0);
  out.clear();
  line.Feed(a, out);
  EXPECT_EQ(out, std::vector<uint8_t>{'B' ^ SimInstrumentFaults::kGarbleMask});
  out.clear();
  line.Feed(a, out);
  EXPECT_EQ(out, std::vector<uint8_t>{'B'});
  EXPECT_EQ(line.ReplyDelayMs(), 700);
  out.clear();
  line.Feed(a, out);
  EXPECT_EQ(line.ReplyDelayMs(), 0);
  EXPECT_EQ(line.Answers(), 4u);
}

}  // namespace
}  // namespace qx::sim

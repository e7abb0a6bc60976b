#include <gtest/gtest.h>

#include "MeterReplyFrame.h"
#include "PortsFixture.h"
#include "core/instruments/InstrumentPorts.h"

namespace qx::instruments {
namespace {

using test::Bytes;
using test::MeterReplyFrame;

const Bytes kRequest{0x10, 0x02, 0, 0, 0, 0, 0x10, 0x03};

class MeterExchangeTest : public test::PortsFixture {
 protected:
  test::ScriptedPort& meter = Plug(ports.MeterPorts[2], "COM9");
  size_t count = 99;
};

TEST_F(MeterExchangeTest, CompleteFrameIsKeptAndDecoded) {
  const Bytes frame = MeterReplyFrame(0x06, 0x00, "-1.2345 ", '-', '3');
  meter.Reply(frame, 25);
  EXPECT_TRUE(ports.MeterExchange(2, count));
  EXPECT_EQ(count, 22u);
  EXPECT_EQ(ports.MeterReply, frame);
  ASSERT_EQ(meter.written.size(), 1u);
  EXPECT_EQ(meter.written[0], kRequest);

  meter.Reply(frame, 25);
  const MeterReading r = ports.MeterRead(2);
  EXPECT_FALSE(r.error);
  EXPECT_TRUE(r.negative);
  EXPECT_DOUBLE_EQ(r.value, -0.0012345);
  EXPECT_EQ(ports.MeterUnit(), "DC V");
}

TEST_F(MeterExchangeTest, SilentMeterGetsTheRequestTwiceAndFailsAfterTwoAndAHalfSeconds) {
  EXPECT_FALSE(ports.MeterExchange(2, count));
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(meter.written.size(), 2u);
  EXPECT_EQ(meter.written[1], kRequest);
  EXPECT_GE(meter.writtenAtMs[1], 2000);  // 1 s poll, 1 s pause
  EXPECT_LT(meter.writtenAtMs[1], 2010);
  EXPECT_GE(clock.NowMs(), 2500);
  EXPECT_LT(clock.NowMs(), 2520);
  EXPECT_EQ(meter.discards, 0);  // the second time-out fails at once
}

TEST_F(MeterExchangeTest, StaleInputIsReadAwayFirst) {
  meter.Arrive(Bytes{0x10, 0x02, 0x55});
  meter.Arrive(Bytes{0x66}, 60);  // still on the line when the first bytes were read away
  EXPECT_FALSE(ports.MeterExchange(2, count));
  EXPECT_EQ(meter.Pending(), 0u);
  EXPECT_GE(meter.writtenAtMs.at(0), 100);
  EXPECT_GE(clock.NowMs(), 2600);  // the worst case
  EXPECT_LT(clock.NowMs(), 2620);
}

TEST_F(MeterExchangeTest, SecondRequestMayStillBeAnswered) {
  meter.Silence();
  meter.Reply(MeterReplyFrame(0x04, 0, " 3.300  "), 100);
  EXPECT_TRUE(ports.MeterExchange(2, count));
  EXPECT_EQ(count, 22u);
  EXPECT_EQ(meter.written.size(), 2u);

  meter.Silence();
  meter.Reply(MeterReplyFrame(0x04, 0, " 3.300  "), 510);  // past the shorter second window
  EXPECT_FALSE(ports.MeterExchange(2, count));
}

TEST_F(MeterExchangeTest, FrameSplitAcrossPollsIsCompleted) {
  const Bytes frame = MeterReplyFrame(0x04, 0, " 3.300  ");
  meter.Reply({{Bytes(frame.begin(), frame.begin() + 14), 20},
               {Bytes(frame.begin() + 14, frame.end()), 300}});
  EXPECT_TRUE(ports.MeterExchange(2, count));
  EXPECT_EQ(count, 22u);
  EXPECT_EQ(ports.MeterReply, frame);
}

TEST_F(MeterExchangeTest, FrameWhoseEndNeverComesFails) {
  const Bytes frame = MeterReplyFrame(0x04, 0, " 3.300  ");
  meter.Reply({{Bytes(frame.begin(), frame.begin() + 14), 20},
               {Bytes(frame.begin() + 14, frame.end()), 700}});
  EXPECT_FALSE(ports.MeterExchange(2, count));
  EXPECT_EQ(count, 14u);
  EXPECT_GE(clock.NowMs(), 20 + 500 + 50);
  EXPECT_LT(clock.NowMs(), 590);
  EXPECT_EQ(meter.discards, 1);
}

TEST_F(MeterExchangeTest, BytesWithoutFrameStartFailAfterDiscarding) {
  meter.Reply(Bytes(20, 0x55), 10);
  EXPECT_FALSE(ports.MeterExchange(2, count));
  EXPECT_EQ(meter.discards, 1);
  EXPECT_GE(clock.NowMs(), 60);
  EXPECT_LT(clock.NowMs(), 70);
}

TEST_F(MeterExchangeTest, OverloadReadsZeroWithoutError) {
  meter.Reply(MeterReplyFrame(0x80, 0x00, " OL     ", '+', '6'), 10);
  const MeterReading r = ports.MeterRead(2);
  EXPECT_EQ(r.value, 0.0);
  EXPECT_FALSE(r.error);
  EXPECT_EQ(ports.MeterUnit(), "Ω");
}

TEST_F(MeterExchangeTest, FailedExchangeReadsZeroWithErrorClear) {
  meter.Reply(MeterReplyFrame(0x04, 0, " 1.000  "), 10);
  ports.MeterRead(2);
  ASSERT_EQ(ports.MeterUnit(), "V");
  const MeterReading r = ports.MeterRead(2);
  EXPECT_EQ(r.value, 0.0);
  EXPECT_FALSE(r.error);
  EXPECT_EQ(ports.MeterUnit(), "");
}

TEST_F(MeterExchangeTest, OversizedReplyDoesNotOverflow) {
  Bytes flood(2000, 0x20);
  flood[0] = 0x10;
  flood[1] = 0x02;
  meter.Reply(flood, 10);
  EXPECT_FALSE(ports.MeterExchange(2, count));
  EXPECT_LE(count, InstrumentPorts::kMaxReply);
  EXPECT_EQ(ports.MeterReply.size(), count);
  EXPECT_LE(meter.largestRead, InstrumentPorts::kMaxReply);
}

TEST_F(MeterExchangeTest, OtherMetersAndBadIndexesFailUnasked) {
  EXPECT_FALSE(ports.MeterExchange(0, count));
  EXPECT_FALSE(ports.MeterExchange(InstrumentPorts::kMeterCount, count));
  EXPECT_TRUE(meter.written.empty());
  EXPECT_EQ(clock.NowMs(), 0);
}

}  // namespace
}  // namespace qx::instruments

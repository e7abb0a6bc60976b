#include "core/instruments/InstrumentPorts.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "PortsFixture.h"
#include "core/instruments/ChamberFrame.h"

namespace qx::instruments {
namespace {

using test::Bytes;
using test::ToBytes;

const Bytes kAck = ToBytes(
    "\x02"
    "01WSD,OK\r\n");
const Bytes kNak = ToBytes(
    "\x02"
    "01WSD,NG01\r\n");

class ChamberPortTest : public test::PortsFixture {
 protected:
  test::ScriptedPort& chamber = Plug(ports.ChamberPort, "COM2");
};

TEST_F(ChamberPortTest, WriteSendsFrameAndTakesOkAsAcknowledgement) {
  chamber.Reply(kAck, 30);
  const int16_t words[] = {250, 0};
  EXPECT_TRUE(ports.ChamberWrite(0x0102, words));
  ASSERT_EQ(chamber.written.size(), 1u);
  EXPECT_EQ(chamber.written[0], ToBytes("\x02"
                                        "01WSD,02,0102,00FA,0000\r\n"));
  EXPECT_EQ(ports.RxCount, kAck.size());
  EXPECT_EQ(Bytes(ports.RxBuffer.begin(), ports.RxBuffer.begin() + 11), kAck);
  EXPECT_EQ(ports.RxBuffer[11], 0);
  EXPECT_LT(clock.NowMs(), 40);  // returns once the reply is in, not after the full second
}

TEST_F(ChamberPortTest, AcknowledgementInPiecesStillCounts) {
  const struct {
    const char* name;
    std::vector<size_t> cuts;  ///< where the line splits the acknowledgement
    size_t readLimit;
  } cases[] = {
      {"two pieces on the line, 300 ms apart", {5}, SIZE_MAX},
      {"a driver that hands out 6 bytes per read", {}, 6},
      {"three pieces and 4 bytes per read", {3, 8}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptedPort::Answer answer;
    size_t from = 0;
    double at = 5;
    for (const size_t cut : c.cuts) {
      answer.push_back(
          {Bytes(kAck.begin() + static_cast<long>(from), kAck.begin() + static_cast<long>(cut)),
           at});
      from = cut;
      at += 300;
    }
    answer.push_back({Bytes(kAck.begin() + static_cast<long>(from), kAck.end()), at});
    chamber.readLimit = c.readLimit;
    chamber.Reply(answer);
    const int16_t words[] = {250, 0};
    EXPECT_TRUE(ports.ChamberWrite(0x0102, words));
    EXPECT_EQ(ports.RxCount, kAck.size());
    EXPECT_EQ(Bytes(ports.RxBuffer.begin(), ports.RxBuffer.begin() + 11), kAck);
    EXPECT_EQ(chamber.Pending(), 0u) << "nothing of it is left for the next exchange";
  }
}

TEST_F(ChamberPortTest, NgReplyIsAFailureThoughBytesCame) {
  chamber.Reply(kNak, 30);
  const int16_t words[] = {1};
  EXPECT_FALSE(ports.ChamberWrite(0x0101, words));
  EXPECT_EQ(ports.RxCount, kNak.size());
}

TEST_F(ChamberPortTest, ReplyAfterOneSecondIsTooLate) {
  const int16_t words[] = {1};
  chamber.Reply(kAck, 990);
  EXPECT_TRUE(ports.ChamberWrite(0x0101, words));

  const double start = clock.NowMs();
  chamber.Reply(kAck, 1100);
  EXPECT_FALSE(ports.ChamberWrite(0x0101, words));
  EXPECT_GE(clock.NowMs() - start, 1000);
  EXPECT_LT(clock.NowMs() - start, 1010);
  EXPECT_EQ(ports.RxCount, 0u);
}

TEST_F(ChamberPortTest, MoreThanFourWordsAreRefusedUnsent) {
  const int16_t words[] = {1, 2, 3, 4, 5};
  EXPECT_FALSE(ports.ChamberWrite(0x0102, words));
  EXPECT_TRUE(chamber.written.empty());
}

TEST_F(ChamberPortTest, ReadWaitsForTheWholeReplyAndDecodesSignedWords) {
  const Bytes reply = ToBytes(
      "\x02"
      "01RSD,OK,FE70,00FA\r\n");
  ASSERT_EQ(reply.size(), 21u);
  chamber.Reply({{Bytes(reply.begin(), reply.begin() + 12), 5},
                 {Bytes(reply.begin() + 12, reply.end()), 200}});
  EXPECT_TRUE(ports.ChamberRead(0x0001, 2));
  EXPECT_EQ(chamber.written.at(0), ToBytes("\x02"
                                           "01RSD,02,0001\r\n"));
  EXPECT_EQ(ports.RxCount, 21u);
  EXPECT_GE(clock.NowMs(), 200);
  const std::span<const uint8_t> rx(ports.RxBuffer.data(), ports.RxCount);
  EXPECT_EQ(ChamberFrame::DataWord(rx, 0), -400);
  EXPECT_EQ(ChamberFrame::DataWord(rx, 1), 250);
}

TEST_F(ChamberPortTest, ReadSucceedsOnAnyBytesAndFailsOnSilence) {
  chamber.Reply(ToBytes("\x02"
                        "01RSD,NG"),
                10);
  EXPECT_TRUE(ports.ChamberRead(0x0001, 2));
  EXPECT_EQ(ports.RxCount, 9u);
  EXPECT_GE(clock.NowMs(), 1000);  // it waited the full second for 21 bytes

  chamber.Silence();
  EXPECT_FALSE(ports.ChamberRead(0x0001, 2));
  EXPECT_EQ(ports.RxCount, 0u);
  EXPECT_FALSE(ports.ChamberRead(0x0001, 100));  // the count field has two digits
  EXPECT_EQ(chamber.written.size(), 2u);
}

TEST_F(ChamberPortTest, RunAndStopFrames) {
  chamber.Reply(kNak);
  chamber.Reply(kAck);
  EXPECT_TRUE(ports.ChamberRun());  // the second write decides
  chamber.Reply(kAck);
  chamber.Reply(kNak);
  EXPECT_FALSE(ports.ChamberRun());
  chamber.Reply(kAck);
  EXPECT_TRUE(ports.ChamberStop());
  ASSERT_EQ(chamber.written.size(), 5u);
  EXPECT_EQ(chamber.written[0], ToBytes("\x02"
                                        "01WSD,01,0200,0000\r\n"));
  EXPECT_EQ(chamber.written[1], ToBytes("\x02"
                                        "01WSD,01,0101,0001\r\n"));
  EXPECT_EQ(chamber.written[4], ToBytes("\x02"
                                        "01WSD,01,0101,0004\r\n"));
}

TEST_F(ChamberPortTest, OversizedReplyIsCutAtTheBufferLimit) {
  Bytes flood(2000, 'x');
  flood[0] = ChamberFrame::kStx;
  flood[7] = 'O';
  flood[8] = 'K';
  chamber.Reply(flood);
  const int16_t words[] = {1};
  EXPECT_TRUE(ports.ChamberWrite(0x0101, words));
  EXPECT_EQ(ports.RxCount, InstrumentPorts::kMaxReply);
  EXPECT_LE(chamber.largestRead, InstrumentPorts::kMaxReply);
  EXPECT_EQ(ports.RxBuffer[InstrumentPorts::kMaxReply], 0);
  EXPECT_EQ(chamber.Pending(), 2000 - InstrumentPorts::kMaxReply);

  EXPECT_TRUE(ports.ChamberRead(0x0001, 2));  // reads the rest of the flood, still bounded
  EXPECT_EQ(ports.RxCount, InstrumentPorts::kMaxReply);
  EXPECT_LE(chamber.largestRead, InstrumentPorts::kMaxReply);
}

TEST_F(ChamberPortTest, TraceSeesEveryWriteAndEveryRead) {
  std::vector<std::tuple<std::string, bool, Bytes>> seen;
  ports.trace = [&](const std::string& port, bool sent, std::span<const uint8_t> bytes) {
    seen.emplace_back(port, sent, Bytes(bytes.begin(), bytes.end()));
  };
  chamber.Reply(kAck);
  ports.ChamberStop();
  chamber.Silence();
  ports.ChamberStop();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_tuple(std::string("COM2"), true,
                                     ToBytes("\x02"
                                             "01WSD,01,0101,0004\r\n")));
  EXPECT_EQ(seen[1], std::make_tuple(std::string("COM2"), false, kAck));
  EXPECT_TRUE(std::get<1>(seen[2]));
}

TEST(InstrumentPortsClosedTest, PortsNotOpenFailAtOnce) {
  base::FakeClock clock;
  InstrumentPorts ports{clock};
  const int16_t words[] = {1};
  EXPECT_FALSE(ports.ChamberWrite(0x0101, words));
  EXPECT_FALSE(ports.ChamberRead(0x0001, 2));
  EXPECT_FALSE(ports.ChamberRun());
  EXPECT_FALSE(ports.ChamberStop());
  ports.PortWriteText(ports.FlukePort, "*OPT");
  EXPECT_EQ(ports.PortReadLine(ports.FlukePort), 0u);
  std::string reply = "kept";
  EXPECT_FALSE(ports.PowerCommand(ports.PowerPort, "*IDN?", reply));
  EXPECT_EQ(reply, "kept");
  size_t count = 9;
  EXPECT_FALSE(ports.MeterExchange(0, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(ports.MeterExchange(6, count));
  const MeterReading r = ports.MeterRead(5);
  EXPECT_EQ(r.value, 0.0);
  EXPECT_FALSE(r.error);
  EXPECT_EQ(clock.NowMs(), 0);
}

class TextPortTest : public test::PortsFixture {
 protected:
  test::ScriptedPort& fluke = Plug(ports.FlukePort, "COM3");
  test::ScriptedPort& power = Plug(ports.PowerPort, "COM4");
};

TEST_F(TextPortTest, WriteTextSendsExactlyTheTextThenPauses) {
  ports.PortWriteText(ports.FlukePort, "OUT 1.5 V");
  ports.PortWriteText(ports.FlukePort, "\r");
  ASSERT_EQ(fluke.written.size(), 2u);
  EXPECT_EQ(fluke.written[0], ToBytes("OUT 1.5 V"));
  EXPECT_EQ(fluke.written[1], ToBytes("\r"));
  EXPECT_EQ(fluke.writtenAtMs[1], 20);
  EXPECT_EQ(clock.NowMs(), 40);

  ports.PortWriteText(ports.FlukePort, "");
  ports.PortWriteText(ports.FlukePort, std::string(256, 'A'));
  EXPECT_EQ(fluke.written.size(), 2u);
  EXPECT_EQ(clock.NowMs(), 40);
  ports.PortWriteText(ports.FlukePort, std::string(255, 'A'));
  EXPECT_EQ(fluke.written.at(2).size(), 255u);
}

TEST_F(TextPortTest, ReadLineStopsAtTheFirstCr) {
  fluke.Arrive(ToBytes("5520A,0,1.0\rleft over"), 300);
  const size_t n = ports.PortReadLine(ports.FlukePort);
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(ports.LineText(n), "5520A,0,1.0");
  EXPECT_GE(clock.NowMs(), 300);
  EXPECT_LT(clock.NowMs(), 310);
  EXPECT_EQ(fluke.Pending(), 0u);  // what came after the CR was read with it
}

TEST_F(TextPortTest, ReadLineWithoutCrInTimeIsNothing) {
  ports.TxBuffer.fill('#');
  fluke.Arrive(ToBytes("no end"), 10);
  fluke.Arrive(ToBytes("\r"), 600);
  EXPECT_EQ(ports.PortReadLine(ports.FlukePort), 0u);
  EXPECT_GT(clock.NowMs(), 500);
  EXPECT_LT(clock.NowMs(), 510);
  EXPECT_EQ(ports.TxBuffer[0], '#');

  fluke.Arrive(Bytes(600, 'L'));
  fluke.Arrive(ToBytes("\r"));
  EXPECT_EQ(ports.PortReadLine(ports.FlukePort), 0u);  // a line that does not fit is no line
  EXPECT_EQ(ports.TxBuffer[0], '#');
}

TEST_F(TextPortTest, PowerCommandKeepsTheTerminatorsOfTheReply) {
  power.Arrive(ToBytes("stale\r\n"));
  power.Reply(ToBytes("HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n"), 120);
  std::string reply;
  EXPECT_TRUE(ports.PowerCommand(ports.PowerPort, "*IDN?", reply));
  EXPECT_EQ(reply, "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n");
  EXPECT_EQ(power.written.at(0), ToBytes("*IDN?\r\n"));
  EXPECT_EQ(clock.NowMs(), 500);
}

TEST_F(TextPortTest, PowerCommandWithoutReplyLeavesTheReplyAlone) {
  power.Reply(ToBytes("late\r\n"), 600);
  std::string reply = "before";
  EXPECT_FALSE(ports.PowerCommand(ports.PowerPort, "OUTP ON", reply));
  EXPECT_EQ(reply, "before");
  EXPECT_EQ(power.written.at(0), ToBytes("OUTP ON\r\n"));

  power.Reply(Bytes(2000, 'x'));
  EXPECT_TRUE(ports.PowerCommand(ports.PowerPort, "*IDN?", reply));
  EXPECT_EQ(reply.size(), InstrumentPorts::kMaxReply);
  EXPECT_LE(power.largestRead, InstrumentPorts::kMaxReply);
}

}  // namespace
}  // namespace qx::instruments

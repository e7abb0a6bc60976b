#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimChamber.h"

namespace qx::sim {
namespace {

/// STX, the text, CR LF: a chamber frame as it is on the wire.
std::string Frame(const std::string& text) {
  return "\x02" + text + "\r\n";
}

class Chamber : public ::testing::Test {
 protected:
  void SetUp() override { chamber.Thermal().SetNoiseTenths(0); }

  std::string Send(const std::string& bytes) {
    std::vector<uint8_t> out;
    chamber.Feed(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), out);
    return std::string(out.begin(), out.end());
  }
  void Minutes(double m) { clock.Advance(m * 60'000); }

  base::FakeClock clock;
  SimChamber chamber{clock};
};

TEST_F(Chamber, WriteAndReadTranscript) {
  // Set point 25.0 °C / 0 %, then read present and set value (5·2 + 11 = 21 bytes).
  EXPECT_EQ(Send(Frame("01WSD,02,0102,00FA,0000")), Frame("01WSD,OK"));
  const std::string reply = Send(Frame("01RSD,02,0001"));
  EXPECT_EQ(reply, Frame("01RSD,OK,00FA,00FA"));
  EXPECT_EQ(reply.size(), 21u);
  EXPECT_EQ(reply.substr(7, 2), "OK");
  // The probe of the status word: stopped.
  EXPECT_EQ(Send(Frame("01RSD,01,0010")), Frame("01RSD,OK,0000"));
  // A register without a behaviour keeps what was written; unwritten ones read 0.
  EXPECT_EQ(Send(Frame("01WSD,01,0200,0000")), Frame("01WSD,OK"));
  EXPECT_EQ(Send(Frame("01WSD,02,0300,7FFF,8000")), Frame("01WSD,OK"));
  EXPECT_EQ(Send(Frame("01RSD,03,0300")), Frame("01RSD,OK,7FFF,8000,0000"));
}

TEST_F(Chamber, NegativeTemperaturesAreTwosComplement) {
  chamber.Thermal().SetCelsius(-40.0);
  EXPECT_EQ(Send(Frame("01WSD,01,0102,FE0C")), Frame("01WSD,OK"));  // -50.0
  EXPECT_DOUBLE_EQ(chamber.Thermal().TargetCelsius(), -50.0);
  EXPECT_EQ(Send(Frame("01RSD,02,0001")), Frame("01RSD,OK,FE70,FE0C"));
}

TEST_F(Chamber, MalformedFramesAndOtherStationsAreRefused) {
  const struct {
    const char* text;
    const char* answer;
  } cases[] = {
      {"02RSD,01,0001", "01RSD,NG"},            // another station
      {"01RSD,01,000a", "01RSD,NG"},            // lower-case hex
      {"01RSD,1,0001", "01RSD,NG"},             // one-digit count
      {"01RSD,00,0001", "01RSD,NG"},            // a read of nothing
      {"01RSD,01,0001,0000", "01RSD,NG"},       // a read carrying data
      {"01RSD;01;0001", "01RSD,NG"},            // wrong separators
      {"01WSD,02,0102,00FA", "01WSD,NG"},       // fewer words than counted
      {"01WSD,01,0102,00FA,0000", "01WSD,NG"},  // more words than counted
      {"01WSD,01,0102,00G0", "01WSD,NG"},       // a non-hex word
      {"01XYZ,01,0001", "01WSD,NG"},            // unknown command
      {"", "01WSD,NG"},                         // nothing between STX and CR LF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Send(Frame(c.text)), Frame(c.answer)) << c.text;
  }
  EXPECT_DOUBLE_EQ(chamber.Thermal().TargetCelsius(), 25.0)
      << "a refused write changed the set point";
}

TEST_F(Chamber, FramesArriveInPiecesAfterLineNoise) {
  EXPECT_EQ(Send("\xff\r\n01RSD"), "") << "bytes before STX are noise";
  EXPECT_EQ(Send("\x02"
                 "01RSD,0"),
            "");
  EXPECT_EQ(Send("1,0010\r"), "");
  EXPECT_EQ(Send("\n"), Frame("01RSD,OK,0000"));
  // An unfinished frame is abandoned when a new STX starts one.
  EXPECT_EQ(Send("\x02"
                 "01WSD,01,0102,0" +
                 Frame("01RSD,01,0102")),
            Frame("01RSD,OK,00FA"));
  // Endless input without CR LF is dropped rather than kept, then the line recovers.
  EXPECT_EQ(Send("\x02" + std::string(2000, 'A')), "");
  EXPECT_EQ(Send(Frame("01RSD,01,0010")), Frame("01RSD,OK,0000"));
}

TEST_F(Chamber, RefusesEverythingWhenTold) {
  chamber.SetRefuseAll(true);
  EXPECT_EQ(Send(Frame("01WSD,01,0101,0001")), Frame("01WSD,NG"));
  EXPECT_FALSE(chamber.Thermal().Running());
  EXPECT_EQ(Send(Frame("01RSD,01,0010")), Frame("01RSD,NG"));
  chamber.SetRefuseAll(false);
  EXPECT_EQ(Send(Frame("01RSD,01,0010")), Frame("01RSD,OK,0000"));
}

TEST_F(Chamber, RampsTowardTheSetPointOnlyWhileRunning) {
  Send(Frame("01WSD,02,0102,0352,0000"));  // 85.0 °C
  Send(Frame("01WSD,02,0106,0014,0000"));  // 2.0 °C per minute
  Minutes(30);
  EXPECT_EQ(Send(Frame("01RSD,01,0001")), Frame("01RSD,OK,00FA")) << "stopped: stays at 25.0";

  EXPECT_EQ(Send(Frame("01WSD,01,0200,0000")), Frame("01WSD,OK"));
  EXPECT_EQ(Send(Frame("01WSD,01,0101,0001")), Frame("01WSD,OK"));
  EXPECT_EQ(Send(Frame("01RSD,01,0010")), Frame("01RSD,OK,0001"));
  Minutes(10);
  EXPECT_EQ(Send(Frame("01RSD,02,0001")), Frame("01RSD,OK,01C2,0352"));  // 45.0
  Send(Frame("01WSD,01,0101,0004"));
  Minutes(10);
  EXPECT_EQ(Send(Frame("01RSD,01,0001")), Frame("01RSD,OK,01C2")) << "stopped mid-ramp";
  Send(Frame("01WSD,01,0101,0001"));
  Minutes(100);
  EXPECT_EQ(Send(Frame("01RSD,01,0001")), Frame("01RSD,OK,0352")) << "never overshoots";

  // Down to -40.0 at the fastest rate (a rate of 0): 125 degrees take 12.5 minutes.
  Send(Frame("01WSD,02,0106,0000,0000"));
  Send(Frame("01WSD,02,0102,FE70,0000"));
  Minutes(12);
  EXPECT_DOUBLE_EQ(chamber.Thermal().Celsius(), -35.0);
  Minutes(1);
  EXPECT_EQ(Send(Frame("01RSD,01,0001")), Frame("01RSD,OK,FE70"));
}

TEST(ChamberNoise, WithinATenthAndRepeatableBySeed) {
  base::FakeClock clock;
  SimChamber a{clock, 11};
  SimChamber b{clock, 11};
  std::vector<int> seen;
  bool varies = false;
  for (int i = 0; i < 200; ++i) {
    const int ta = static_cast<int16_t>(a.ReadWord(SimChamber::kPresentCelsius));
    const int tb = static_cast<int16_t>(b.ReadWord(SimChamber::kPresentCelsius));
    EXPECT_EQ(ta, tb);
    EXPECT_GE(ta, 249);
    EXPECT_LE(ta, 251);
    varies = varies || ta != 250;
  }
  EXPECT_TRUE(varies) << "no measurement noise at all";
}

}  // namespace
TEST_F(Chamber, AnOpenedDoorLeavesTheSetPointOnceAndRampsBack) {
  SimChamberThermal& t = chamber.Thermal();
  t.SetTarget(-40, 0);
  t.SetRates(10, 10);
  t.Run();
  Minutes(7);
  EXPECT_DOUBLE_EQ(t.Celsius(), -40);
  t.OpenDoorAt(clock.NowMs() + 60'000, 0);
  Minutes(0.5);
  EXPECT_DOUBLE_EQ(t.Celsius(), -40);
  Minutes(1);  // the door opened half a minute ago: 0 °C, then 5 degrees back down
  EXPECT_DOUBLE_EQ(t.Celsius(), -5);
  Minutes(10);
  EXPECT_DOUBLE_EQ(t.Celsius(), -40);
}

}  // namespace qx::sim

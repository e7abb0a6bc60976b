#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimBoard.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

std::string Frame(const std::string& text) {
  return "\x02" + text + "\r\n";
}

bool Write(base::SerialPort& port, const std::string& text) {
  return port.Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string ReadQueued(base::SerialPort& port) {
  std::vector<uint8_t> in(port.Status().queued);
  in.resize(port.Read(in));
  return std::string(in.begin(), in.end());
}

/// The bench as the program reaches it under --simulate: through the board's serial ports.
class BenchPorts : public ::testing::Test {
 protected:
  void SetUp() override { bench.Chamber().Thermal().SetNoiseTenths(0); }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  SimInstruments& bench = board.Instruments();
};

TEST_F(BenchPorts, EveryInstrumentOnItsNameBesideTheBridge) {
  const struct {
    const char* name;
    const char* request;
    std::string answer;
  } ports[] = {
      {"COM5", "*OPT\r", "SC600\r"},
      {"COM6", "*IDN?\r\n", "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n"},
      {"COM7",
       "\x02"
       "01RSD,01,0010\r\n",
       Frame("01RSD,OK,0000")},
  };
  for (const auto& p : ports) {
    auto port = board.SerialPorts().Open(p.name);
    ASSERT_NE(port, nullptr) << p.name;
    EXPECT_EQ(board.SerialPorts().Open(p.name), nullptr) << p.name << " opened twice";
    ASSERT_TRUE(Write(*port, p.request));
    EXPECT_EQ(ReadQueued(*port), p.answer) << p.name;
  }
  for (size_t i = 0; i < SimInstruments::kMeterCount; ++i) {
    auto port = board.SerialPorts().Open("COM" + std::to_string(8 + i));
    ASSERT_NE(port, nullptr) << i;
    bench.Meter(i).SetValue(static_cast<double>(i + 1));
    ASSERT_TRUE(port->Write(SimMeter::kRequest));
    const std::string frame = ReadQueued(*port);
    ASSERT_EQ(frame.size(), 22u);
    EXPECT_EQ(frame[9], static_cast<char>('1' + i)) << "meter " << i + 1 << " on the wrong port";
  }
  EXPECT_EQ(board.SerialPorts().Open("COM14"), nullptr);
  EXPECT_EQ(board.SerialPorts().Open("COM4"), nullptr);
  EXPECT_NE(board.SerialPorts().Open("COM1"), nullptr) << "the bridge still answers";
}

TEST_F(BenchPorts, ClosingFreesThePortAndLineSettingsReachTheInstrument) {
  auto port = board.SerialPorts().Open("COM6");
  ASSERT_NE(port, nullptr);
  EXPECT_TRUE(port->Configure({9600, 8, base::Parity::None, 2}));
  EXPECT_TRUE(port->SetDtr(true));
  EXPECT_EQ(bench.PowerSupplyLine().Settings().stopBits, 2);
  EXPECT_TRUE(bench.PowerSupplyLine().Dtr());
  EXPECT_FALSE(port->Configure({9600, 9, base::Parity::None, 0}));
  EXPECT_TRUE(bench.Ports().InUse("COM6"));
  port.reset();
  EXPECT_FALSE(bench.Ports().InUse("COM6"));
  EXPECT_NE(board.SerialPorts().Open("COM6"), nullptr);
}

TEST_F(BenchPorts, CalibratorDrivesTheBoardInput) {
  auto port = board.SerialPorts().Open("COM5");
  ASSERT_NE(port, nullptr);
  Write(*port, "OUT 100 mV ,0 Hz \r");
  EXPECT_DOUBLE_EQ(board.Target().DcLevelVolts(), SimBoard::kDemoDcVolts);
  Write(*port, "OPER");
  Write(*port, "\r");
  EXPECT_DOUBLE_EQ(board.Target().DcLevelVolts(), 0.1);
  Write(*port, "STBY\r");
  EXPECT_DOUBLE_EQ(board.Target().DcLevelVolts(), 0.0);
  EXPECT_EQ(ReadQueued(*port), "OK\rOK\rOK\r");
}

TEST_F(BenchPorts, LateReplyShowsOnlyWhenItsTimeHasCome) {
  bench.ChamberLine().Faults().lateMs = 300;
  auto port = board.SerialPorts().Open("COM7");
  ASSERT_NE(port, nullptr);
  Write(*port, Frame("01RSD,01,0010"));
  EXPECT_EQ(port->Status().queued, 0u);
  clock.Advance(299);
  EXPECT_EQ(port->Status().queued, 0u);
  port->DiscardInput();  // purges only what has arrived
  clock.Advance(1);
  EXPECT_EQ(port->Status().queued, 16u);
  // A later, faster answer does not overtake one still on its way.
  Write(*port, Frame("01RSD,01,0102"));
  bench.ChamberLine().Faults().lateMs = 0;
  Write(*port, Frame("01RSD,01,0101"));
  EXPECT_EQ(port->Status().queued, 16u);
  clock.Advance(300);
  EXPECT_EQ(ReadQueued(*port),
            Frame("01RSD,OK,0000") + Frame("01RSD,OK,00FA") + Frame("01RSD,OK,0004"));
}

TEST_F(BenchPorts, SilentGarbledAndRefusingLines) {
  auto port = board.SerialPorts().Open("COM7");
  ASSERT_NE(port, nullptr);
  bench.ChamberLine().Faults().silent = true;
  EXPECT_TRUE(Write(*port, Frame("01WSD,01,0102,0064")));
  EXPECT_EQ(port->Status().queued, 0u);
  EXPECT_DOUBLE_EQ(bench.Chamber().Thermal().TargetCelsius(), 10.0) << "the request still arrived";

  bench.ChamberLine().Faults() = {};
  bench.ChamberLine().Faults().garbled = true;
  Write(*port, Frame("01WSD,01,0102,0064"));
  // STX "01WSD,OK" CR LF, every byte XOR 5A.
  EXPECT_EQ(ReadQueued(*port), std::string("\x58\x6a\x6b\x0d\x09\x1e\x76\x15\x11\x57\x50"));

  bench.ChamberLine().Faults() = {};
  bench.Chamber().SetRefuseAll(true);
  Write(*port, Frame("01WSD,01,0102,0064"));
  EXPECT_EQ(ReadQueued(*port), Frame("01WSD,NG"));
}

TEST_F(BenchPorts, VanishedPortNeitherOpensNorCarries) {
  auto port = board.SerialPorts().Open("COM9");
  ASSERT_NE(port, nullptr);
  ASSERT_TRUE(port->Write(SimMeter::kRequest));
  bench.MeterLine(1).Faults().vanished = true;
  EXPECT_EQ(port->Status().queued, 0u) << "queued bytes of a vanished port";
  EXPECT_FALSE(port->Write(SimMeter::kRequest));
  std::vector<uint8_t> buffer(64);
  EXPECT_EQ(port->Read(buffer), 0u);
  EXPECT_FALSE(port->Configure({}));
  port.reset();
  EXPECT_EQ(board.SerialPorts().Open("COM9"), nullptr);
  bench.MeterLine(1).Faults().vanished = false;
  port = board.SerialPorts().Open("COM9");
  ASSERT_NE(port, nullptr);
  EXPECT_TRUE(port->Write(SimMeter::kRequest));
  EXPECT_EQ(port->Status().queued, 22u);
}

TEST_F(BenchPorts, SentBytesStayBoundedInALongRun) {
  auto port = board.SerialPorts().Open("COM8");
  ASSERT_NE(port, nullptr);
  std::vector<uint8_t> noise(SimInstrument::kSentKept, 0x41);
  port->Write(noise);
  port->Write(SimMeter::kRequest);
  const std::vector<uint8_t>& sent = bench.MeterLine(0).Sent();
  ASSERT_EQ(sent.size(), SimInstrument::kSentKept);
  EXPECT_TRUE(std::equal(SimMeter::kRequest.begin(), SimMeter::kRequest.end(), sent.end() - 8));
  EXPECT_EQ(sent.front(), 0x41);
  EXPECT_EQ(port->Status().queued, 22u);
}

}  // namespace
}  // namespace qx::sim

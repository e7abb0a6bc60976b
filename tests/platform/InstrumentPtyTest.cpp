#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/base/FakeClock.h"
#include "platform/PosixSerialPortProvider.h"
#include "sim/SimCalibrator.h"
#include "sim/SimChamber.h"
#include "sim/SimInstrument.h"
#include "sim/SimMeter.h"
#include "sim/SimPowerSupply.h"
#include "sim/SimPtyServer.h"

namespace qx {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

/// A simulated instrument on a pseudo-terminal, reached through the termios backend as the
/// program reaches a bench instrument.
class InstrumentPty {
 public:
  explicit InstrumentPty(sim::SimByteProtocol& device) : line(device), server(line) {}

  bool Open() {
    if (!server.Ok()) return false;
    port = ports.Open(server.SlavePath());
    return port != nullptr && port->Configure(base::LineSettings{});
  }
  void Send(const std::string& text) {
    ASSERT_TRUE(port->Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())));
  }
  /// Everything queued once `count` bytes are, or once `limit` has passed.
  std::string Receive(size_t count, milliseconds limit = milliseconds(2000)) {
    const auto end = steady_clock::now() + limit;
    while (port->Status().queued < count && steady_clock::now() < end) ::usleep(2000);
    std::vector<uint8_t> in(port->Status().queued);
    in.resize(port->Read(in));
    return std::string(in.begin(), in.end());
  }

  sim::SimInstrument line;
  sim::SimPtyServer server;
  platform::PosixSerialPortProvider ports{"/nonexistent/"};
  std::unique_ptr<base::SerialPort> port;
};

std::string Frame(const std::string& text) {
  return "\x02" + text + "\r\n";
}

TEST(InstrumentPty, ChamberRampsOnVirtualTime) {
  base::FakeClock clock;
  sim::SimChamber chamber{clock};
  chamber.Thermal().SetNoiseTenths(0);
  InstrumentPty pty{chamber};
  ASSERT_TRUE(pty.Open());
  pty.Send(Frame("01WSD,02,0102,FE70,0000"));  // -40.0 °C
  EXPECT_EQ(pty.Receive(11), Frame("01WSD,OK"));
  pty.Send(Frame("01WSD,01,0101,0001"));
  EXPECT_EQ(pty.Receive(11), Frame("01WSD,OK"));
  pty.server.Access([&] { clock.Advance(3 * 60'000.0); });  // 30 degrees at 10 per minute
  pty.Send(Frame("01RSD,02,0001"));
  EXPECT_EQ(pty.Receive(21), Frame("01RSD,OK,FFCE,FE70"));  // -5.0, -40.0
}

TEST(InstrumentPty, CalibratorAnswersEachLine) {
  sim::SimCalibrator fluke;
  double volts = -1;
  fluke.SetOutputSink([&](double v) { volts = v; });
  InstrumentPty pty{fluke};
  ASSERT_TRUE(pty.Open());
  pty.Send("*IDN?");
  pty.Send("\r");
  EXPECT_EQ(pty.Receive(34), std::string(sim::SimCalibrator::kIdentity) + "\r");
  pty.Send("OUT 600 mV ,0 Hz \rOPER\r");
  EXPECT_EQ(pty.Receive(6), "OK\rOK\r");
  pty.server.Access([&] { EXPECT_DOUBLE_EQ(volts, 0.6); });
}

TEST(InstrumentPty, PowerSupplyIdentifiesAfterRemote) {
  sim::SimPowerSupply supply;
  InstrumentPty pty{supply};
  ASSERT_TRUE(pty.Open());
  ASSERT_TRUE(pty.port->Configure({9600, 8, base::Parity::None, 2}));
  pty.Send("SYST:REM\r\nVOLT 3.3\r\nOUTP ON\r\n*IDN?\r\n");
  EXPECT_EQ(pty.Receive(38), "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n");
  pty.Send("MEAS:VOLT?\r\n");
  EXPECT_EQ(pty.Receive(17), "+3.30000000E+00\r\n");
}

TEST(InstrumentPty, MeterFrameArrivesWhole) {
  sim::SimMeter meter;
  InstrumentPty pty{meter};
  ASSERT_TRUE(pty.Open());
  pty.server.Access([&] { meter.SetValue(-0.25); });
  pty.port->Write(sim::SimMeter::kRequest);
  const std::string frame = pty.Receive(22);
  ASSERT_EQ(frame.size(), 22u);
  EXPECT_EQ(frame.substr(0, 2), "\x10\x02");
  EXPECT_EQ(frame.substr(8, 11), "-2.50000 -1");
  EXPECT_EQ(frame.substr(20, 2), "\x10\x03");
}

TEST(InstrumentPty, LateAndSilentLines) {
  sim::SimMeter meter;
  InstrumentPty pty{meter};
  ASSERT_TRUE(pty.Open());
  pty.server.Access([&] { pty.line.Faults().lateMs = 300; });
  const auto start = steady_clock::now();
  pty.port->Write(sim::SimMeter::kRequest);
  EXPECT_EQ(pty.Receive(22, milliseconds(150)), "") << "arrived before its delay";
  EXPECT_EQ(pty.Receive(22).size(), 22u);
  EXPECT_GE(steady_clock::now() - start, milliseconds(300));

  pty.server.Access([&] { pty.line.Faults() = {.silent = true}; });
  pty.port->Write(sim::SimMeter::kRequest);
  EXPECT_EQ(pty.Receive(22, milliseconds(300)), "");
}

TEST(InstrumentPty, ServerStopsPromptlyDuringALongDelay) {
  sim::SimMeter meter;
  auto pty = std::make_unique<InstrumentPty>(meter);
  ASSERT_TRUE(pty->Open());
  pty->server.Access([&] { pty->line.Faults().lateMs = 10'000; });
  pty->port->Write(sim::SimMeter::kRequest);
  ::usleep(50'000);  // let the server take the request and start waiting
  const auto start = steady_clock::now();
  pty.reset();
  EXPECT_LT(steady_clock::now() - start, milliseconds(500));
}

}  // namespace
}  // namespace qx

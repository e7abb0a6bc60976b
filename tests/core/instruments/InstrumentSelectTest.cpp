#include "core/instruments/InstrumentSelect.h"

#include <gtest/gtest.h>

#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/instruments/EchoPeer.h"

namespace qx::instruments {
namespace {

using test::PeerProvider;

class InstrumentSelectTest : public ::testing::Test {
 protected:
  base::FakeClock clock;
  base::RecordingHost host;
  InstrumentPorts ports{clock};
  PeerProvider provider;
  InstrumentSelect select{ports, provider, clock, host};
};

TEST_F(InstrumentSelectTest, CalibratorIsTakenOnAnyPortThatOpensAndOnlyOnce) {
  EXPECT_FALSE(select.FlukeSelectClick("COM5"));
  EXPECT_EQ(host.status[1], "Fluke Uart  not  found: COM5");
  EXPECT_FALSE(select.FlukeSelectClick(""));
  EXPECT_EQ(host.status[1], "Fluke Uart  not  found: no port chosen; choose one in its list first");
  EXPECT_FALSE(ports.FlukePort.Selected);

  auto peer = provider.Add("COM5");  // answers nothing at all
  EXPECT_TRUE(select.FlukeSelectClick("COM5"));
  EXPECT_EQ(peer->written, "*OPT\r");
  EXPECT_EQ(peer->line.baudRate, 9600);
  EXPECT_EQ(peer->line.stopBits, 0);
  EXPECT_TRUE(ports.FlukePort.Selected);
  EXPECT_EQ(ports.FlukePort.PortName, "COM5");
  EXPECT_EQ(host.status[1], "Successful Select Fluke In COM5");

  EXPECT_TRUE(select.FlukeSelectClick("COM9"));
  EXPECT_EQ(host.status[1], "Fluke 已經設定");
  EXPECT_EQ(peer->written, "*OPT\r");
  EXPECT_EQ(ports.FlukePort.PortName, "COM5");
}

TEST_F(InstrumentSelectTest, PowerSupplyMustNameItsMaker) {
  auto peer = provider.Add("COM6");
  peer->answer = [](const std::string& w) -> std::string {
    return w == "*IDN?\r\n" ? "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n" : "";
  };
  EXPECT_TRUE(select.PowerSelectClick("COM6"));
  EXPECT_EQ(peer->written, "SYST:REM\r\nVOLT 0.0\r\nCURR 0.0\r\nOUTP OFF\r\n*IDN?\r\n");
  EXPECT_EQ(peer->line.stopBits, 2);
  EXPECT_EQ(peer->dtr, (std::vector<bool>{false, true}));
  EXPECT_EQ(host.status[1], "Successful Select Power Supply In COM6");
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(InstrumentSelectTest, PowerSupplyOfAnotherMakerOrAShortAnswerIsRefusedAndReleased) {
  const struct {
    std::string settings;  ///< answer to VOLT, CURR and OUTP
    std::string idn;       ///< answer to *IDN?
  } cases[] = {
      {"", "KEITHLEY INSTRUMENTS,2230\r\n"},
      {"", "HEWLETT"},
      {"", ""},
      {"", "HEWLETT-PAC\r\n"},  // longer than 8 characters, yet not the maker's whole name
      // An answer to the settings is no identification, whatever it says.
      {"HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings + " / " + c.idn);
    auto peer = provider.Add("COM6");
    peer->answer = [c](const std::string& w) {
      if (w == "*IDN?\r\n") return c.idn;
      return w == "SYST:REM\r\n" ? std::string() : c.settings;
    };
    host.errors.clear();
    EXPECT_FALSE(select.PowerSelectClick("COM6"));
    EXPECT_EQ(host.status[1], "Fail Select Power Supply COM6");
    EXPECT_EQ(host.errors, std::vector<std::string>{"此通道連接的不是Power Supply!!"});
    EXPECT_FALSE(ports.PowerPort.Selected);
    EXPECT_FALSE(peer->open);
  }
}

TEST_F(InstrumentSelectTest, ChamberProbeReadsWordSixteenAndWantsOk) {
  auto peer = provider.Add("COM7");
  peer->answer = [](const std::string&) {
    return std::string(
        "\x02"
        "01RSD,OK,0000\r\n");
  };
  EXPECT_TRUE(select.ChamberSelectClick("COM7"));
  EXPECT_EQ(peer->written,
            "\x02"
            "01RSD,01,0010\r\n");
  EXPECT_TRUE(ports.ChamberPort.Selected);
  EXPECT_EQ(ports.ChamberPort.BaudRate, 9600u);
  EXPECT_EQ(ports.ChamberPort.ByteSize, 8);
  EXPECT_EQ(host.status[1], "Successful Select Chamber In COM7");

  EXPECT_TRUE(select.ChamberSelectClick("COM7"));
  EXPECT_EQ(host.status[1], "Chamber 已經設定");
}

TEST_F(InstrumentSelectTest, FailedChamberProbePutsTheLineBackAndReleasesThePort) {
  auto peer = provider.Add("COM7");
  peer->line = {1200, 7, base::Parity::Even, 0};  // whatever the port was set to before
  peer->answer = [](const std::string&) {
    return std::string(
        "\x02"
        "01RSD,NG\r\n");
  };
  EXPECT_FALSE(select.ChamberSelectClick("COM7"));
  EXPECT_EQ(host.status[1], "Fail Select Chamber COM7");
  EXPECT_EQ(host.errors, std::vector<std::string>{"此通道連接的不是溫控廂!!"});
  ASSERT_EQ(peer->configured.size(), 2u);
  EXPECT_EQ(peer->configured[0].baudRate, 9600);
  EXPECT_EQ(peer->line.baudRate, 1200);
  EXPECT_EQ(peer->line.byteSize, 7);
  EXPECT_EQ(peer->line.parity, base::Parity::Even);
  EXPECT_FALSE(peer->open);
  EXPECT_FALSE(ports.ChamberPort.Selected);
}

std::string MeterFrameBytes(const std::string& reading, uint8_t flagA, char expSign, char exp) {
  std::string f(22, ' ');
  f[0] = 0x10;
  f[1] = 0x02;
  f[4] = static_cast<char>(flagA);
  f[5] = 0;
  f.replace(8, 8, reading);
  f[17] = expSign;
  f[18] = exp;
  f[20] = 0x10;
  f[21] = 0x03;
  return f;
}

TEST_F(InstrumentSelectTest, MeterIsSelectedOnACompleteFrameAndShowsItsReading) {
  auto peer = provider.Add("COM8");
  peer->answer = [](const std::string&) {
    return MeterFrameBytes("-1.23456", 0x06, '+', '0');  // DC V
  };
  EXPECT_TRUE(select.MeterSelect(0, "COM8"));
  EXPECT_TRUE(ports.MeterPorts[0].Selected);
  EXPECT_EQ(select.MeterText(0), "-1.23456 DC V");
  EXPECT_EQ(host.status[1], "Successful Select Meter 1 In COM8");

  EXPECT_FALSE(select.MeterSelect(0, ""));
  EXPECT_FALSE(ports.MeterPorts[0].Selected);
  EXPECT_FALSE(peer->open);
}

TEST_F(InstrumentSelectTest, SilentMeterIsNotSelectedAndCostsItsTimeLimitOnly) {
  auto peer = provider.Add("COM9");
  const double before = clock.NowMs();
  EXPECT_FALSE(select.MeterSelect(2, "COM9"));
  EXPECT_FALSE(ports.MeterPorts[2].Selected);
  EXPECT_EQ(select.MeterText(2), "no answer");
  EXPECT_EQ(host.status[1], "Fail Select Meter 3 COM9");
  EXPECT_NEAR(clock.NowMs() - before, 2550, 100);
  EXPECT_FALSE(peer->open);
  EXPECT_FALSE(select.MeterSelect(3, "COM10"));
  EXPECT_EQ(host.status[1], "Meter 4 Uart  not  found: COM10");
}

}  // namespace
}  // namespace qx::instruments

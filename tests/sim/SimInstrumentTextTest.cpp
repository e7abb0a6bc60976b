#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/SimCalibrator.h"
#include "sim/SimPowerSupply.h"

namespace qx::sim {
namespace {

std::string Send(SimByteProtocol& device, const std::string& bytes) {
  std::vector<uint8_t> out;
  device.Feed(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), out);
  return std::string(out.begin(), out.end());
}

class Calibrator : public ::testing::Test {
 protected:
  void SetUp() override {
    fluke.SetOutputSink([this](double v) { board = v; });
  }
  std::string Send(const std::string& bytes) { return sim::Send(fluke, bytes); }

  SimCalibrator fluke;
  std::optional<double> board;  ///< what the output sink last received
};

TEST_F(Calibrator, EveryLineGetsOneCrTerminatedLine) {
  // The program sends the command text and the CR in two writes.
  EXPECT_EQ(Send("*OPT"), "");
  EXPECT_EQ(Send("\r"), "SC600\r");
  EXPECT_EQ(Send("*IDN?\r\n"), std::string(SimCalibrator::kIdentity) + "\r");
  EXPECT_EQ(Send("STBY\rRANGELCK OFF\rOUT 600 mV ,0 Hz \rRANGELCK ON\r"), "OK\rOK\rOK\rOK\r");
  EXPECT_TRUE(fluke.RangeLocked());
  EXPECT_EQ(Send("\r\r\n"), "") << "empty lines are not commands";
  EXPECT_EQ(Send("rangelck off\r"), "OK\r");
  EXPECT_FALSE(fluke.RangeLocked());
}

TEST_F(Calibrator, OutputSettingsAndRefusals) {
  const struct {
    const char* line;
    bool accepted;
    double volts;
  } cases[] = {
      {"OUT 600 mV ,0 Hz ", true, 0.6},
      {"OUT 0 V ,0 Hz", true, 0.0},
      {"out -1.25v", true, -1.25},
      {"OUT 250 uV", true, 250e-6},
      {"OUT +2E-1 V , 0 HZ", true, 0.2},
      {"OUT 5 A", false, 0},
      {"OUT V", false, 0},
      {"OUT 1 V , 50", false, 0},
      {"OUT 1,5 V", false, 0},
      {"OUT 1100 V", false, 0},
      {"OUT", false, 0},
  };
  for (const auto& c : cases) {
    const double before = fluke.SetVolts();
    const std::string answer = Send(std::string(c.line) + "\r");
    if (c.accepted) {
      EXPECT_EQ(answer, "OK\r") << c.line;
      EXPECT_DOUBLE_EQ(fluke.SetVolts(), c.volts) << c.line;
    } else {
      EXPECT_EQ(answer.rfind("ERROR", 0), 0u) << c.line << " -> " << answer;
      EXPECT_EQ(answer.back(), '\r');
      EXPECT_DOUBLE_EQ(fluke.SetVolts(), before) << c.line;
    }
  }
  EXPECT_EQ(Send("FOO\r"), "ERROR: Unknown command\r");
  EXPECT_EQ(Send("OPER NOW\r"), "ERROR: Bad parameter\r");
  EXPECT_EQ(Send("RANGELCK\r"), "ERROR: Bad parameter\r");
}

TEST_F(Calibrator, DrivesTheBoardOnlyOnceOperated) {
  Send("OUT 1.5 V\rSTBY\r");
  EXPECT_FALSE(board) << "never operated: the board keeps its own level";
  Send("OPER\r");
  EXPECT_EQ(board, 1.5);
  Send("OUT 300 mV\r");
  EXPECT_DOUBLE_EQ(*board, 0.3);
  Send("STBY\r");
  EXPECT_EQ(board, 0.0);
  Send("OUT 2 V\r");
  EXPECT_EQ(board, 0.0) << "a new setting in standby stays off the terminals";
  Send("OPER\r");
  EXPECT_EQ(board, 2.0);
  Send("OUT 1 V ,1000 Hz\r");
  EXPECT_EQ(board, 0.0) << "an AC output has no DC level";
}

TEST_F(Calibrator, OverlongLineIsRefusedAndTheLineRecovers) {
  EXPECT_EQ(Send(std::string(1000, 'X')), "");
  EXPECT_EQ(Send("\r"), "ERROR: Line too long\r");
  EXPECT_EQ(Send("*OPT\r"), "SC600\r");
}

TEST(PowerSupply, Transcript) {
  SimPowerSupply ps;
  const struct {
    const char* sent;
    const char* answer;
  } steps[] = {
      {"SYST:REM\r\n", ""},
      {"VOLT 0.0\r\n", ""},
      {"CURR 0.0\r\n", ""},
      {"OUTP OFF\r\n", ""},
      {"*IDN?\r\n", "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n"},
      {"*IDN?\n", "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0\r\n"},
      {"volt 5\n", ""},
      {"VOLT?\n", "+5.00000000E+00\r\n"},
      {"CURRent 0.25\n", ""},
      {"CURR?\n", "+2.50000000E-01\r\n"},
      {"OUTP?\n", "0\r\n"},
      {"MEAS:VOLT?\n", "+0.00000000E+00\r\n"},
      {"outp on\n", ""},
      {"OUTPut?\n", "1\r\n"},
      {"MEASure:VOLTage:DC?\n", "+5.00000000E+00\r\n"},
      {"MEAS:CURR?\n", "+0.00000000E+00\r\n"},
      {"OUTP 0\nOUTP?\nOUTP 1\nOUTP?\n", "0\r\n1\r\n"},
      {"VOLT 30\n", ""},
      {"VOLT?\n", "+5.00000000E+00\r\n"},
      {"SYST:ERR?\n", "-222,\"Data out of range\"\r\n"},
      {"BOGUS?\n", ""},
      {"SYSTem:ERRor?\n", "-113,\"Undefined header\"\r\n"},
      {"SYST:ERR?\n", "+0,\"No error\"\r\n"},
  };
  for (const auto& s : steps) EXPECT_EQ(Send(ps, s.sent), s.answer) << s.sent;
  EXPECT_TRUE(ps.Remote());
  EXPECT_TRUE(ps.OutputOn());
}

TEST(PowerSupply, LoadDrawsCurrentUpToTheLimit) {
  SimPowerSupply ps;
  Send(ps, "VOLT 5\nCURR 0.01\nOUTP ON\n");
  ps.SetLoadOhms(1000);  // 5 mA: below the limit
  EXPECT_EQ(Send(ps, "MEAS:CURR?\n"), "+5.00000000E-03\r\n");
  EXPECT_EQ(Send(ps, "MEAS:VOLT?\n"), "+5.00000000E+00\r\n");
  ps.SetLoadOhms(100);  // would be 50 mA: constant current, 10 mA · 100 Ω
  EXPECT_EQ(Send(ps, "MEAS:CURR?\n"), "+1.00000000E-02\r\n");
  EXPECT_EQ(Send(ps, "MEAS:VOLT?\n"), "+1.00000000E+00\r\n");
  EXPECT_EQ(SimPowerSupply::Scientific(-0.0015), "-1.50000000E-03");
}

}  // namespace
}  // namespace qx::sim

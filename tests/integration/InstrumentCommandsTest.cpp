#include <gtest/gtest.h>

#include <sstream>

#include "sim/SimBoard.h"
#include "support/QxctlRun.h"

namespace qx::test {
namespace {

using Args = std::vector<std::string>;

TEST(QxctlInstrument, ChamberIsSelectedThenSetRampedRunReadAndStopped) {
  const QxctlResult set =
      Qxctl({"--simulate", "--virtual-time", "instrument", "chamber", "set", "-40", "0"});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, "OK\n");

  const QxctlResult read =
      Qxctl({"--simulate", "--virtual-time", "--trace", "instrument", "chamber", "read"},
            [](sim::SimBoard& b) { b.Instruments().Chamber(); });
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_NE(read.out.find("°C, set 25.0 °C"), std::string::npos) << read.out;
  // The probe of word 0x0010, then the read of the present and set values.
  EXPECT_NE(read.trace.find("> COM7 02 30 31 52 53 44 2C 30 31 2C 30 30 31 30 0D 0A  "
                            "|.01RSD,01,0010..|"),
            std::string::npos)
      << read.trace;
  EXPECT_NE(read.trace.find("|.01RSD,02,0001..|"), std::string::npos);

  for (const Args& a : {Args{"ramp", "2.5", "0"}, Args{"run"}, Args{"stop"}}) {
    Args argv{"--simulate", "--virtual-time", "--trace", "instrument", "chamber"};
    argv.insert(argv.end(), a.begin(), a.end());
    const QxctlResult r = Qxctl(argv);
    EXPECT_EQ(r.status, 0) << a[0] << ": " << r.err;
    EXPECT_EQ(r.out, "OK\n");
  }
  const QxctlResult ramp = Qxctl(
      {"--simulate", "--virtual-time", "--trace", "instrument", "chamber", "ramp", "2.5", "0"});
  EXPECT_NE(ramp.trace.find("|.01WSD,02,0106,0019,0000..|"), std::string::npos) << ramp.trace;
}

TEST(QxctlInstrument, CalibratorAndPowerSupplyRepliesArePrinted) {
  const QxctlResult fluke = Qxctl({"--simulate", "--virtual-time", "instrument", "fluke", "*IDN?"});
  EXPECT_EQ(fluke.status, 0) << fluke.err;
  EXPECT_EQ(fluke.out.rfind("FLUKE,", 0), 0u) << fluke.out;

  const QxctlResult idn = Qxctl({"--simulate", "--virtual-time", "instrument", "power", "*IDN?"});
  EXPECT_EQ(idn.status, 0) << idn.err;
  EXPECT_EQ(idn.out.rfind("HEWLETT-PACKARD,", 0), 0u) << idn.out;

  const QxctlResult volt =
      Qxctl({"--simulate", "--virtual-time", "instrument", "power", "VOLT 5.0"});
  EXPECT_EQ(volt.status, 0) << volt.err;
  EXPECT_EQ(volt.out, "");
}

TEST(QxctlInstrument, MeterPrintsValueUnitAndFlags) {
  const QxctlResult r =
      Qxctl({"--simulate", "--virtual-time", "instrument", "meter", "2"}, [](sim::SimBoard& b) {
        b.Instruments().Meter(1).SetValue(-1.5);
        b.Instruments().Meter(1).SetFlags(0x06, 0x00);
      });
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "-1.5 DC V (flags A=06 B=00)\n");
}

TEST(QxctlInstrument, WrongOrMissingInstrumentExitsOneWithTheReason) {
  const QxctlResult missing =
      Qxctl({"--simulate", "--virtual-time", "--port", "COM16", "instrument", "chamber", "read"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "qxctl: Chamber Uart  not  found: COM16\n");

  // The power supply's port answers SCPI, not the chamber's frames.
  const QxctlResult wrong =
      Qxctl({"--simulate", "--virtual-time", "--port", "COM6", "instrument", "chamber", "read"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, "qxctl: Fail Select Chamber COM6\n");

  const QxctlResult silent =
      Qxctl({"--simulate", "--virtual-time", "instrument", "fluke", "OUT 1 V"},
            [](sim::SimBoard& b) { b.Instruments().CalibratorLine().Faults().silent = true; });
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.err, "qxctl: the calibrator on COM5 did not answer OUT 1 V\n");

  const QxctlResult gone =
      Qxctl({"--simulate", "--virtual-time", "instrument", "power", "*IDN?"},
            [](sim::SimBoard& b) { b.Instruments().PowerSupplyLine().Faults().vanished = true; });
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.err, "qxctl: Power Supply Uart  not  found: COM6\n");
}

/// The bytes qxctl sent to `port`, as text: the "|...|" part of each "> port" trace line.
std::string SentTo(const std::string& trace, const std::string& port) {
  std::string sent;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("> " + port + " ", 0) != 0) continue;
    const auto open = line.find("  |");
    sent += line.substr(open + 3, line.size() - open - 4);
  }
  return sent;
}

// A command of the user's own goes out alone: no selection reset that would switch a live
// supply off under the board (VOLT 0.0, CURR 0.0, OUTP OFF), no "*OPT" to the calibrator. The
// reset comes only with "select".
TEST(QxctlInstrument, ACommandSendsOnlyItsTextAndSelectIsAskedFor) {
  const auto live = [](sim::SimBoard& b) {
    std::vector<uint8_t> reply;
    const std::string on = "VOLT 5.0\r\nOUTP ON\r\n";
    b.Instruments().PowerSupply().Feed({reinterpret_cast<const uint8_t*>(on.data()), on.size()},
                                       reply);
  };
  const QxctlResult query =
      Qxctl({"--simulate", "--virtual-time", "--trace", "instrument", "power", "MEAS:VOLT?"}, live);
  EXPECT_EQ(query.status, 0) << query.err;
  EXPECT_EQ(SentTo(query.trace, "COM6"), "MEAS:VOLT?..");
  EXPECT_EQ(query.out.rfind("+5.0", 0), 0u) << query.out;

  const QxctlResult fluke =
      Qxctl({"--simulate", "--virtual-time", "--trace", "instrument", "fluke", "*IDN?"});
  EXPECT_EQ(fluke.status, 0) << fluke.err;
  EXPECT_EQ(SentTo(fluke.trace, "COM5"), "*IDN?.");

  const QxctlResult select =
      Qxctl({"--simulate", "--virtual-time", "--trace", "instrument", "power", "select"}, live);
  EXPECT_EQ(select.status, 0) << select.err;
  EXPECT_EQ(select.out, "Successful Select Power Supply In COM6\n");
  EXPECT_NE(SentTo(select.trace, "COM6").find("OUTP OFF"), std::string::npos) << select.trace;
}

// A second command hidden behind a line end, and set points the run would not take, are
// refused before anything is sent.
TEST(QxctlInstrument, HiddenCommandsAndSetPointsOutOfRangeAreRefused) {
  const struct {
    Args args;
    const char* says;
  } cases[] = {
      {{"power", "*IDN?\nOUTP ON"}, "no CR, LF or NUL"},
      {{"power", "VOLT 1\rOUTP ON"}, "no CR, LF or NUL"},
      {{"fluke", std::string("OPER\0STBY", 9)}, "no CR, LF or NUL"},
      {{"chamber", "set", "3000", "100"}, "temperature 3000 is outside -100 to 150 °C"},
      {{"chamber", "set", "3001", "0"}, "temperature 3001 is outside -100 to 150 °C"},
      {{"chamber", "set", "-101", "0"}, "temperature -101 is outside -100 to 150 °C"},
      {{"chamber", "set", "20", "100.5"}, "humidity 100.5 is outside 0 to 100 %"},
      {{"chamber", "ramp", "-1", "0"}, "temperature ramp -1 is outside 0 to 100 °C per minute"},
  };
  for (const auto& c : cases) {
    Args argv{"--simulate", "--virtual-time", "--trace", "instrument"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const QxctlResult r = Qxctl(argv);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.trace.find("> COM"), std::string::npos) << r.trace;
  }
  const QxctlResult edge =
      Qxctl({"--simulate", "--virtual-time", "instrument", "chamber", "set", "150", "100"});
  EXPECT_EQ(edge.status, 0) << edge.err;
}

TEST(QxctlInstrument, BadArgumentsExitTwo) {
  for (const Args& a :
       {Args{"instrument"}, Args{"instrument", "oven"}, Args{"instrument", "chamber", "set", "20"},
        Args{"instrument", "chamber", "set", "hot", "0"}, Args{"instrument", "meter", "7"},
        Args{"instrument", "fluke"}}) {
    Args argv{"--simulate", "--virtual-time"};
    argv.insert(argv.end(), a.begin(), a.end());
    const QxctlResult r = Qxctl(argv);
    EXPECT_EQ(r.status, 2) << a.back();
    EXPECT_NE(r.err.find("qxctl: "), std::string::npos);
  }
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

TEST(QxctlInstrument, HelpNeedsNoCommandAndVirtualTimeNeedsTheSimulatedBench) {
  std::string error;
  const auto help = cli::ParseCommandLine({"instrument", "meter", "--help"}, error);
  ASSERT_TRUE(help);
  EXPECT_TRUE(help->help);
  EXPECT_TRUE(cli::ParseCommandLine({"--help"}, error));
  EXPECT_NE(std::string(cli::UsageText()).find("instrument meter N"), std::string::npos);
  EXPECT_FALSE(cli::ParseCommandLine({"--virtual-time", "scan"}, error));
  EXPECT_EQ(error, "--virtual-time needs --simulate");
}

}  // namespace
}  // namespace qx::test

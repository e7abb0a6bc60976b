#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/LinkCommands.h"
#include "core/base/AtomicFile.h"
#include "platform/FlockRunLock.h"
#include "platform/SqliteRunJournal.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace {

using qx::test::Qxctl;

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

/// The simulated board without noise, so every figure of a capture is exact.
void Quiet(qx::sim::SimBoard& board) {
  board.Target().SetInputNoiseNv(0);
  board.Target().SetOutputNoiseCodes(0);
}

/// A program folder with the chip files and the lists of a small run: two modes that differ in
/// the calibrator's output (100 mV and 200 mV, the board's ADC input), register 0 written 00
/// in both, one second of wait and a 2.4 V reference.
class TempCli : public ::testing::Test {
 protected:
  TempCli() {
    std::filesystem::copy(std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE",
                          dir.Path() / "INCLUDE");
    WriteText(dir.Path() / "Register.txt", "   0\r\n  00\r\n  00\r\n");
    WriteText(dir.Path() / "Delay.txt", "     1\r\n     1\r\n");
    WriteText(dir.Path() / "ACM.txt", "   2.4\r\n   2.4\r\n");
    WriteText(dir.Path() / "Fluke.txt", "   1OUT 100 mV ,0 Hz\r\n   1OUT 200 mV ,0 Hz\r\n");
  }
  std::vector<std::string> Args(std::initializer_list<std::string> extra) const {
    std::vector<std::string> a{
        "--simulate", "--dir", dir.Path().string(), "temp-test", "--modes", "2",
        "--points",   "2",     "--start",           "20",        "--step",  "10"};
    a.insert(a.end(), extra);
    return a;
  }
  std::string File(const char* name) const { return ReadAll(dir.Path() / name); }
  qx::test::TempDir dir{"qx_temp_cli"};
};

// Without noise every figure is known: 100 mV and 200 mV of a 2.4 V reference are the codes
// 349525 and 699051, halved by the fast read's decoding; a silent input has one count peak to
// peak, 2.4 V / 2^22 = 572.20 nV at 23 bits, and 23 bits of ENOB and noise-free resolution.
TEST_F(TempCli, RunWithoutChamberWritesTheResultFilesByteForByte) {
  const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  EXPECT_NE(r.err.find("Point 2/2, mode 2/2"), std::string::npos) << r.err;

  const std::string mean = "\xA5\xAD\xA7\xA1\xAD\xC8";     // 平均值 in Big5
  const std::string compare = "\xA4\xF1\xB8\xFB\xAD\xC8";  // 比較值
  const std::string figures =
      ", VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), "
      "Noise Free, " +
      compare + "\r\n";
  const std::string m1 = "174762.00, 572.20, 0.00, 23.00, 1.00, 0.00, 23.00,0\r\n";
  const std::string m2 = "349525.00, 572.20, 0.00, 23.00, 1.00, 0.00, 23.00,0\r\n";
  EXPECT_EQ(File("QxTEMPB.CSV"), "Test #1, , , \r\n ," + mean + figures + "1, " + m1 + "2, " + m2 +
                                     "1, " + m1 + "2, " + m2);
  EXPECT_EQ(File("QxTEMPA.CSV"), ", , , Test #0, , , \r\n\xB7\xC5\xAB\xD7, \xC0\xE3\xAB\xD7,  ," +
                                     mean + figures + "20.00, 0.00, 1, " + m1 + "20.00, 0.00, 2, " +
                                     m2 + "30.00, 0.00, 1, " + m1 + "30.00, 0.00, 2, " + m2);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPBryMen.CSV"));  // "ADC" alone
}

// Each meter is read four times a mode and keeps the mean of the middle two readings, so one
// wild reading does not count; its unit is that of the last reading, in code page 950. Without
// the ADC nothing finishes a mode, so every mode runs its four attempts.
TEST_F(TempCli, MetersKeepTheMedianOfFourReadingsAndEveryModeRunsFourTimes) {
  int reads = 0;
  const auto r = Qxctl(Args({"--no-chamber", "--measure", "meters"}), [&](qx::sim::SimBoard& b) {
    Quiet(b);
    // Any four readings in a row are 1, 9, 2 and 3 in some order: 2.5 kept, not 3.75 or 3.
    b.Instruments().Meter(0).SetSource([&reads] {
      static constexpr double kCycle[] = {1, 9, 2, 3};
      return kCycle[reads++ % 4];
    });
    b.Instruments().Meter(0).SetFlags(qx::sim::SimMeter::kCelsius, 0);
    for (size_t i = 1; i < qx::sim::SimInstruments::kMeterCount; ++i) {
      b.Instruments().Meter(i).SetValue(0.125);  // meter 3 is no longer the chamber's probe
      b.Instruments().Meter(i).SetFlags(qx::sim::SimMeter::kDc | qx::sim::SimMeter::kVolts, 0);
    }
  });
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  EXPECT_EQ(reads, 1 + 2 * 2 * 4 * 4);  // the probe when selected, then 4 readings x 4 attempts

  const std::string others = ", 0.125, DC V";
  auto line = [&](const char* temp, const char* m) {
    std::string l = std::string(temp) + ", 0.00, , " + m + ", 2.5, \xA2\x4A";  // ℃ in Big5
    for (int i = 1; i < 6; ++i) l += std::string(", ") + m + others;
    return l + "\r\n";
  };
  EXPECT_EQ(
      File("QxTEMPBryMen.CSV"),
      ", , , Test #0, , , Test #1, , , Test #2, , , Test #3, , , Test #4, , , Test #5, , \r\n" +
          line("20.00", "1") + line("20.00", "2") + line("30.00", "1") + line("30.00", "2"));
}

// The chamber gets the floor of each temperature cell times ten: 25.5 °C goes out as 250.
TEST_F(TempCli, ChamberSetPointIsTheWholeDegreeTimesTen) {
  const auto r = Qxctl({"--trace", "--simulate", "--dir", dir.Path().string(), "temp-test",
                        "--modes", "1", "--points", "1", "--start", "25.5", "--hold", "0"},
                       Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  EXPECT_NE(r.trace.find("|.01WSD,02,0102,00FA,0000"), std::string::npos) << r.trace;
  EXPECT_NE(r.trace.find("|.01WSD,02,0106,0000,0032"), std::string::npos) << r.trace;
}

// --full: one raw file a finished mode in TEMP/, numbered on through the run: the 256 samples
// sixteen to a line, the statistics header in Big5 and the mode's seven figures.
TEST_F(TempCli, FullRunWritesARawFileForEveryMode) {
  const auto r = Qxctl(Args({"--no-chamber", "--full"}), Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  const std::string header =
      "\xA5\xAD\xA7\xA1\xAD\xC8, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), "
      "Noise Free, \xA4\xF1\xB8\xFB\xAD\xC8\r\n";
  for (int n = 0; n < 4; ++n) {
    const std::string raw = ReadAll(dir.Path() / "TEMP" / ("QxTMP-" + std::to_string(n) + ".CSV"));
    const char* mean = n % 2 == 0 ? "174762" : "349525";  // modes 1 and 2 at both points
    std::string line;
    for (int i = 0; i < 16; ++i) line += std::string(mean) + ", ";
    line += "\r\n";
    std::string samples;
    for (int i = 0; i < 16; ++i) samples += line;
    EXPECT_EQ(raw, samples + header + mean + ".00,572.20,0.00,23.00,1.00,0.00,23.00,0\r\n") << n;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TEMP" / "QxTMP-4.CSV"));
}

TEST_F(TempCli, MissingRegisterListIsAClearFailure) {
  std::filesystem::remove(dir.Path() / "Register.txt");
  const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(r.err.find("Register.txt"), std::string::npos) << r.err;
  // Refused before it began: no journal and no lock file are left in the folder.
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxRuns.db"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxRuns.lock"));
}

TEST_F(TempCli, StepListThatCannotBeReadStopsTheRunBeforeItStarts) {
  for (const char* list : {"Fluke.txt", "Power.txt"}) {
    std::filesystem::remove(dir.Path() / list);
    std::filesystem::create_directory(dir.Path() / list);
    const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
    EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << list;
    EXPECT_NE(r.err.find((dir.Path() / list).string() + ": not a regular file"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPB.CSV")) << list;
    std::filesystem::remove(dir.Path() / list);
  }
}

TEST_F(TempCli, MeterPortFileThatCannotBeReadStopsAMeterRun) {
  std::filesystem::create_directory(dir.Path() / "QxMeters.txt");
  const auto r = Qxctl(Args({"--no-chamber", "--measure", "meters"}), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(r.err.find((dir.Path() / "QxMeters.txt").string() + ": not a regular file"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPBryMen.CSV"));
  // A run of the ADC alone does not need the meters' ports.
  EXPECT_EQ(Qxctl(Args({"--no-chamber"}), Quiet).status, qx::cli::kExitOk);
}

TEST_F(TempCli, ChamberRunHoldsEachPointAndCompletes) {
  const auto r = Qxctl(Args({"--chamber", "--hold", "2"}), Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  EXPECT_EQ(Lines(File("QxTEMPA.CSV")), 6);
  // The journal names the chip the run measured.
  const auto list = Qxctl({"--dir", dir.Path().string(), "runs", "list"});
  EXPECT_NE(list.out.find(",completed,yes,2,2,4,QX74"), std::string::npos) << list.out;
}

/// The number after `"key":` in `json`, searched from `from`; NaN when it is not there.
double JsonNumber(const std::string& json, const std::string& key, size_t from = 0) {
  const std::string tag = "\"" + key + "\":";
  const auto at = json.find(tag, from);
  if (at == std::string::npos) return std::nan("");
  return std::strtod(json.c_str() + at + tag.size(), nullptr);
}

// The simulated board drifts by a known amount: its input offset by 2 uV/°C and its gain by
// 5 ppm/°C. The default chamber run (five points from -40 °C) over the calibrator's 100 mV and
// 200 mV, with the board's noise, gives both back from the journal.
TEST_F(TempCli, DefaultChamberRunRecoversTheBoardsOffsetAndGainDrift) {
  const auto r = Qxctl(
      {"--simulate", "--virtual-time", "--dir", dir.Path().string(), "temp-test", "--modes", "2"});
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  const auto shown = Qxctl({"--dir", dir.Path().string(), "runs", "show", "1", "--json"});
  ASSERT_EQ(shown.status, qx::cli::kExitOk) << shown.err;
  const auto path = shown.out.find("\"input_path\":{\"modes_used\":[1,2]");
  ASSERT_NE(path, std::string::npos) << shown.out;
  EXPECT_NEAR(JsonNumber(shown.out, "offset_drift_uV_per_C", path),
              qx::sim::SimBoard::kOffsetDriftVoltsPerCelsius * 1e6,
              0.05 * qx::sim::SimBoard::kOffsetDriftVoltsPerCelsius * 1e6)
      << shown.out;
  EXPECT_NEAR(JsonNumber(shown.out, "gain_drift_ppm_per_C", path),
              qx::sim::SimBoard::kGainDriftPerCelsius * 1e6,
              0.1 * qx::sim::SimBoard::kGainDriftPerCelsius * 1e6)
      << shown.out;
}

/// Chamber reads of a one-point run with a two-minute hold, with the chamber's door opened
/// `doorAtMin` minutes into the run (never when negative).
int ChamberReads(const std::vector<std::string>& args, double doorAtMin) {
  const auto r = Qxctl(args, [doorAtMin](qx::sim::SimBoard& board) {
    Quiet(board);
    if (doorAtMin >= 0) board.Instruments().Chamber().Thermal().OpenDoorAt(doorAtMin * 60'000, 30);
  });
  EXPECT_EQ(r.status, qx::cli::kExitOk) << r.err;
  // Present-value reads: "RSD,02,0001" on the chamber's port.
  int reads = 0;
  std::istringstream lines(r.trace);
  for (std::string line; std::getline(lines, line);)
    reads += line.rfind("> COM7", 0) == 0 && line.find("|.01RSD,02,0001") != std::string::npos;
  return reads;
}

TEST_F(TempCli, ReadingLeavingTheBandDuringTheHoldRestartsIt) {
  auto args = Args({"--chamber", "--hold", "2", "--points", "1"});
  args.insert(args.begin(), "--trace");
  const int calm = ChamberReads(args, -1);
  // The chamber is at 20 °C after half a minute; at 1.5 min the door takes it to 30 °C, and
  // it is back in the band a minute later: the hold starts again, two minutes of reads more.
  const int disturbed = ChamberReads(args, 1.5);
  EXPECT_GT(calm, 120);
  EXPECT_NEAR(disturbed - calm, 120, 15);
}

// A capture that sits at full scale (3 V on a 2.4 V reference) keeps its figures in the files,
// as their layout wants, but is flagged "over range" on stderr and in the journal; the mode
// within range is not.
TEST_F(TempCli, CaptureAtFullScaleIsFlaggedOverRange) {
  WriteText(dir.Path() / "Fluke.txt", "   1OUT 100 mV ,0 Hz\r\n   1OUT 3 V ,0 Hz\r\n");
  const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  for (const char* point : {"point 1", "point 2"})
    EXPECT_NE(r.err.find(std::string("qxctl: ") + point + ", mode 2: over range: "),
              std::string::npos)
        << r.err;
  EXPECT_EQ(r.err.find("mode 1: over range"), std::string::npos) << r.err;
  const std::string b = File("QxTEMPB.CSV");
  const auto mode2 = b.find("\r\n2, ");
  ASSERT_NE(mode2, std::string::npos);
  EXPECT_NE(b.substr(mode2 + 5, 1).find_first_of("0123456789"), std::string::npos) << b;

  std::string error;
  auto journal = qx::platform::SqliteRunJournal::Open(dir.Path() / "QxRuns.db", error);
  ASSERT_TRUE(journal) << error;
  const auto modes = journal->Modes(1);
  ASSERT_EQ(modes.size(), 4u);
  for (const auto& m : modes) EXPECT_EQ(m.overRange > 0, m.mode == 2) << m.point << "/" << m.mode;
}

// A delay or reference voltage that the panel's loading would guess at ("-1" read as 1, "inf"
// as 0, 1e308 writing inf into the files) refuses the run, naming the file, line and value.
TEST_F(TempCli, ListValuesThatCannotBeRightRefuseTheRun) {
  const struct {
    const char* file;
    const char* text;
    const char* says;
  } cases[] = {
      {"ACM.txt", "   2.4\r\n 1e308\r\n", "ACM.txt line 2: \"1e308\" is not a reference voltage"},
      {"ACM.txt", "   inf\r\n   2.4\r\n", "ACM.txt line 1: \"inf\" is not"},
      {"ACM.txt", "     0\r\n   2.4\r\n", "ACM.txt line 1: \"0\" is not"},
      {"ACM.txt", "   2.4\r\n  -2.4\r\n", "ACM.txt line 2: \"-2.4\" is not"},
      {"Delay.txt", "   1e9\r\n     1\r\n", "Delay.txt line 1: \"1e9\" is not a whole number"},
      {"Delay.txt", "     1\r\n   nan\r\n", "Delay.txt line 2: \"nan\" is not"},
      {"Delay.txt", "    -1\r\n     1\r\n", "Delay.txt line 1: \"-1\" is not"},
      // Register values are bytes: the loading would keep "1G" as 01 and the write 9999 as 99.
      {"Register.txt", "   0\r\n99999999999999999999\r\n  00\r\n",
       "Register.txt line 2: \"99999999999999999999\" is not a register value 00 to FF"},
      {"Register.txt", "   0\r\n  00\r\n  1G\r\n", "Register.txt line 3: \"1G\" is not"},
      {"Register.txt", " 100\r\n  00\r\n  00\r\n",
       "Register.txt line 1: \"100\" is not a register address 00 to FF"},
  };
  for (const auto& c : cases) {
    const std::string kept = File(c.file);
    WriteText(dir.Path() / c.file, c.text);
    const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
    EXPECT_EQ(r.status, qx::cli::kExitUsage) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPB.CSV")) << c.says;
    WriteText(dir.Path() / c.file, kept);
  }
  // A volt sign after the value, and lines past the modes in use, are no reason to refuse.
  WriteText(dir.Path() / "ACM.txt", "  2.4V\r\n   2.4\r\n  -1.0\r\n");
  const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitOk) << r.err;
}

// A step line with bytes that are no text (a Big5 lead byte without its trail) is named with
// its file and line; the run itself goes on.
TEST_F(TempCli, StepBytesThatAreNoTextAreNamedByLine) {
  WriteText(dir.Path() / "Fluke.txt", "   1OUT 100 mV ,0 Hz\r\n   1OUT 200 mV ,0 Hz \x81\r\n");
  const auto r = Qxctl(Args({"--no-chamber"}), Quiet);
  EXPECT_NE(r.err.find("qxctl: warning: Fluke.txt line 2: bytes that are neither code page 950 "
                       "(Big5) nor UTF-8 text\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("Fluke.txt line 1"), std::string::npos) << r.err;
}

// A chamber run refuses the set points the chamber is never given by hand either.
TEST_F(TempCli, ChamberSetPointsOutOfRangeRefuseTheRun) {
  const auto r = Qxctl(Args({"--chamber", "--start", "-150", "--points", "1"}), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(r.err.find("point 1: temperature -150 is outside -100 to 150 °C"), std::string::npos)
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPB.CSV"));
}

TEST_F(TempCli, OptionsAreChecked) {
  // Values that cannot be right are refused with the option and the value, never cut down to
  // something that runs (--points 1e20 used to run one point and exit 0).
  const struct {
    const char* option;
    const char* value;
  } refused[] = {{"--points", "-3"}, {"--points", "1e20"}, {"--points", "31"},   {"--points", "0"},
                 {"--hold", "-1"},   {"--modes", "99999"}, {"--modes", "0"},     {"--delay", "-5"},
                 {"--start", "nan"}, {"--step", "inf"},    {"--link-wait", "-1"}};
  for (const auto& c : refused) {
    const auto r = Qxctl(Args({c.option, c.value}));
    EXPECT_EQ(r.status, qx::cli::kExitUsage) << c.option << " " << c.value;
    EXPECT_NE(r.err.find(std::string(c.option) + " " + c.value + ": "), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxRuns.db")) << c.option;
  }
  EXPECT_EQ(Qxctl(Args({"--measure", "volts"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--hold", "ten"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--chamber", "--no-chamber"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"extra"})).status, qx::cli::kExitUsage);
}

/// A run killed with SIGKILL in the middle of a mode and resumed writes the same result files
/// as a run that was never interrupted.
TEST_F(TempCli, RunKilledAndResumedWritesWhatAnUninterruptedRunWrites) {
  qx::test::TempDir whole{"qx_temp_whole"};
  std::filesystem::copy(dir.Path(), whole.Path(), std::filesystem::copy_options::recursive);
  auto args = [](const std::filesystem::path& d, std::initializer_list<std::string> extra) {
    std::vector<std::string> a{"--simulate", "--dir",    d.string(), "temp-test", "--modes",
                               "2",          "--points", "3",        "--start",   "20",
                               "--step",     "10",       "--hold",   "1"};
    a.insert(a.end(), extra);
    return a;
  };
  const auto uninterrupted = Qxctl(args(whole.Path(), {}));
  ASSERT_EQ(uninterrupted.status, qx::cli::kExitOk) << uninterrupted.err;

  // How many requests the bridge answers in the whole run; the copy below dies by SIGKILL at
  // half of them, inside a capture of a mode in the middle of the run.
  long requests = 0;
  auto counting = [&requests](qx::sim::SimBoard& board) {
    board.Bridge().SetTargetProgram([&board, &requests] {
      board.SwitchFirmware().Step();
      ++requests;
    });
  };
  qx::test::TempDir counted{"qx_temp_count"};
  std::filesystem::copy(dir.Path(), counted.Path(), std::filesystem::copy_options::recursive);
  ASSERT_EQ(Qxctl(args(counted.Path(), {}), counting).status, qx::cli::kExitOk);
  ASSERT_GT(requests, 100);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Qxctl(args(dir.Path(), {}), [kill = requests / 2](qx::sim::SimBoard& board) {
      board.Bridge().SetTargetProgram([&board, kill, n = 0L]() mutable {
        board.SwitchFirmware().Step();
        if (++n == kill) raise(SIGKILL);
      });
    });
    _exit(0);  // not reached: the run is killed before it ends
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPA.CSV"));
  {
    std::string error;
    auto journal = qx::platform::SqliteRunJournal::Open(dir.Path() / "QxRuns.db", error);
    ASSERT_TRUE(journal) << error;
    const size_t recorded = journal->Modes(1).size();
    EXPECT_GT(recorded, 0u);
    EXPECT_LT(recorded, 6u);
  }

  const auto resumed = Qxctl(args(dir.Path(), {"--resume"}));
  ASSERT_EQ(resumed.status, qx::cli::kExitOk) << resumed.err;
  EXPECT_NE(resumed.err.find("Point"), std::string::npos);
  EXPECT_EQ(File("QxTEMPB.CSV"), ReadAll(whole.Path() / "QxTEMPB.CSV"));
  EXPECT_EQ(File("QxTEMPA.CSV"), ReadAll(whole.Path() / "QxTEMPA.CSV"));

  const auto list = Qxctl({"--dir", dir.Path().string(), "runs", "list"});
  ASSERT_EQ(list.status, qx::cli::kExitOk) << list.err;
  EXPECT_NE(list.out.find("\n1,"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find(",completed,yes,3,2,6,"), std::string::npos) << list.out;

  const auto exported = Qxctl({"--dir", dir.Path().string(), "runs", "export", "1", "--out",
                               (dir.Path() / "again").string()});
  ASSERT_EQ(exported.status, qx::cli::kExitOk) << exported.err;
  EXPECT_EQ(ReadAll(dir.Path() / "again" / "QxTEMPB.CSV"), File("QxTEMPB.CSV"));
  EXPECT_EQ(ReadAll(dir.Path() / "again" / "QxTEMPA.CSV"), File("QxTEMPA.CSV"));
}

/// Runs of the small fixture with the faults a night brings, against the files of a clean run.
class TempFaults : public TempCli {
 protected:
  TempFaults() {
    std::filesystem::copy(dir.Path(), cleanDir.Path(), std::filesystem::copy_options::recursive);
    const auto r = Qxctl(In(cleanDir.Path(), {"--no-chamber"}), Quiet);
    EXPECT_EQ(r.status, qx::cli::kExitOk) << r.err;
  }
  static std::vector<std::string> In(const std::filesystem::path& d,
                                     std::initializer_list<std::string> extra,
                                     const std::string& faults = {}) {
    std::vector<std::string> a{"--simulate"};
    if (!faults.empty()) a.insert(a.end(), {"--sim-fault", faults});
    a.insert(a.end(), {"--dir", d.string(), "temp-test", "--modes", "2", "--points", "2", "--start",
                       "20", "--step", "10"});
    a.insert(a.end(), extra);
    return a;
  }
  std::string Clean(const char* name) const { return ReadAll(cleanDir.Path() / name); }
  /// `runs export` of run 1 gives the files the run left.
  void ExportMatchesFiles() {
    const auto exported = Qxctl({"--dir", dir.Path().string(), "runs", "export", "1", "--out",
                                 (dir.Path() / "again").string()});
    ASSERT_EQ(exported.status, qx::cli::kExitOk) << exported.err;
    for (const char* name : {"QxTEMPA.CSV", "QxTEMPB.CSV"})
      EXPECT_EQ(ReadAll(dir.Path() / "again" / name), File(name)) << name;
  }
  std::string RunState() {
    const auto list = Qxctl({"--dir", dir.Path().string(), "runs", "list"});
    EXPECT_EQ(list.status, qx::cli::kExitOk) << list.err;
    const auto at = list.out.find("\n1,");
    if (at == std::string::npos) return list.out;
    std::istringstream row(list.out.substr(at + 1));
    std::string field;
    for (int i = 0; i < 4; ++i) std::getline(row, field, ',');
    return field;  // id, started, ended, state
  }
  qx::test::TempDir cleanDir{"qx_temp_clean"};
};

/// A board whose captures number `from` to `to` (counted from 1 over the run) get no result:
/// every poll reply of their stream is lost while the bridge stays on the bus.
std::function<void(qx::sim::SimBoard&)> CapturesFail(int from, int to) {
  return [from, to](qx::sim::SimBoard& board) {
    Quiet(board);
    board.Bridge().SetTargetProgram([&board, from, to, n = 0, was = false]() mutable {
      const bool streaming = board.Bridge().Streaming();
      if (streaming && !was) ++n;
      was = streaming;
      if (streaming && n >= from && n <= to) board.Bridge().DropNextReply();
    });
  };
}

// The bridge leaves the bus for good in the first mode: no figure is written for it, the run
// waits the link-wait time and stops, resumable, naming where; resumed once the bridge is back,
// it writes what a run without the fault writes.
TEST_F(TempFaults, BridgeGoneStopsTheRunAfterTheLinkWaitAndResumes) {
  const auto r = Qxctl(In(dir.Path(), {"--no-chamber", "--link-wait", "2"}, "unplug@30"), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  EXPECT_NE(r.err.find("waiting for the USB bridge"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("stopped: link lost at point 1, mode 1"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  // No mode was recorded: every row without a temperature or a figure.
  const std::string a = File("QxTEMPA.CSV");
  EXPECT_EQ(a.substr(a.find("\r\n, , 1") + 2),
            ", , 1, , , , , , , ,\r\n, , 2, , , , , , , ,\r\n"
            ", , 1, , , , , , , ,\r\n, , 2, , , , , , , ,\r\n");
  EXPECT_EQ(RunState(), "stopped");
  ExportMatchesFiles();

  const auto resumed = Qxctl(In(dir.Path(), {"--no-chamber", "--resume"}), Quiet);
  ASSERT_EQ(resumed.status, qx::cli::kExitOk) << resumed.err;
  EXPECT_EQ(File("QxTEMPA.CSV"), Clean("QxTEMPA.CSV"));
  EXPECT_EQ(File("QxTEMPB.CSV"), Clean("QxTEMPB.CSV"));
}

// Unplugged and back within the wait, or a single lost reply: the mode is measured again and
// the run writes exactly what a run without the fault writes.
TEST_F(TempFaults, BridgeBackInTimeOrALostReplyChangeNothing) {
  for (const std::string faults : {"unplug:90000@30", "drop@100", "drop@40,drop@41,drop@42"}) {
    qx::test::TempDir d{"qx_temp_fault"};
    std::filesystem::copy(dir.Path(), d.Path(), std::filesystem::copy_options::recursive);
    const auto r = Qxctl(In(d.Path(), {"--no-chamber"}, faults), Quiet);
    ASSERT_EQ(r.status, qx::cli::kExitOk) << faults << "\n" << r.err;
    for (const char* name : {"QxTEMPA.CSV", "QxTEMPB.CSV"})
      EXPECT_EQ(ReadAll(d.Path() / name), Clean(name)) << faults << " " << name;
  }
}

// Mode 1 of point 2 fails its four captures with the bridge present: reported at once, its
// figure fields left empty, the run goes on and ends "completed with 1 failed modes", exit 1;
// the journal keeps the run open and --resume measures exactly that mode again.
TEST_F(TempFaults, ModeFailingWithTheLinkPresentIsReportedAndResumedAlone) {
  const auto r = Qxctl(In(dir.Path(), {"--no-chamber"}), CapturesFail(3, 6));
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  const auto failedAt = r.err.find("qxctl: point 2, mode 1 failed after 4 attempts: ");
  EXPECT_NE(failedAt, std::string::npos) << r.err;
  EXPECT_LT(failedAt, r.err.find("Point 2/2, mode 2/2")) << "reported when it failed";
  EXPECT_NE(r.err.find("completed with 1 failed modes"), std::string::npos) << r.err;
  const std::string clean = Clean("QxTEMPB.CSV");
  const auto row = clean.rfind("\r\n1, ") + 2;  // point 2, mode 1
  std::string expected = clean;
  expected.replace(row, clean.find("\r\n", row) - row, "1, , , , , , , ,");
  EXPECT_EQ(File("QxTEMPB.CSV"), expected);
  EXPECT_EQ(RunState(), "failed");
  ExportMatchesFiles();

  int captures = 0;
  const auto resumed = Qxctl(In(dir.Path(), {"--no-chamber", "--resume"}), [&](auto& board) {
    Quiet(board);
    board.Bridge().SetTargetProgram([&board, &captures, was = false]() mutable {
      captures += board.Bridge().Streaming() && !was;
      was = board.Bridge().Streaming();
    });
  });
  ASSERT_EQ(resumed.status, qx::cli::kExitOk) << resumed.err;
  EXPECT_EQ(captures, 1);
  EXPECT_EQ(File("QxTEMPB.CSV"), clean);
  EXPECT_EQ(File("QxTEMPA.CSV"), Clean("QxTEMPA.CSV"));
  EXPECT_EQ(RunState(), "completed");
}

// `runs show` gives back who and what was measured, the chamber's reading of every row, and
// drift figures from the measured rows only: the failed mode is left out by name.
/// Why the page's tags do not nest (an element closed that is not open, or left open); empty
/// when every element is closed in order.
std::string TagNesting(const std::string& html) {
  static const char* const kVoid[] = {"meta", "br", "hr", "img", "link", "input"};
  std::vector<std::string> open;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    const size_t end = html.find('>', at);
    if (end == std::string::npos) return "a tag without its > at " + std::to_string(at);
    const std::string tag = html.substr(at + 1, end - at - 1);
    if (tag.empty() || tag[0] == '!') continue;
    const bool closing = tag[0] == '/';
    const std::string name =
        tag.substr(closing ? 1 : 0, tag.find_first_of(" /", 1) - (closing ? 1 : 0));
    if (closing) {
      if (open.empty() || open.back() != name)
        return "</" + name + "> closes <" + (open.empty() ? "" : open.back()) + ">";
      open.pop_back();
    } else if (tag.back() != '/' &&
               std::find(std::begin(kVoid), std::end(kVoid), name) == std::end(kVoid)) {
      open.push_back(name);
    }
  }
  return open.empty() ? std::string() : "<" + open.back() + "> is never closed";
}

/// The JSON number text of `key` inside `object` (a nested one as "outer.inner"); "null" too.
std::string JsonNumberText(const std::string& object, const std::string& key) {
  std::string inner = object;
  std::string name = key;
  if (const size_t dot = key.find('.'); dot != std::string::npos) {
    const size_t at = object.find("\"" + key.substr(0, dot) + "\":{");
    if (at == std::string::npos) return "(no " + key + ")";
    inner = object.substr(at, object.find('}', at) - at);
    name = key.substr(dot + 1);
  }
  const std::string quoted = "\"" + name + "\":";
  const size_t at = inner.find(quoted);
  if (at == std::string::npos) return "(no " + key + ")";
  const size_t from = at + quoted.size();
  return inner.substr(from, inner.find_first_of(",}", from) - from);
}

TEST_F(TempFaults, RunShowNamesTheDeviceAndLeavesTheFailedModeOutOfTheDrift) {
  const auto r = Qxctl(In(dir.Path(), {"--chamber", "--hold", "0", "--dut", "board 7, rev B",
                                       "--note", "after reflow"}),
                       CapturesFail(3, 6));
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  const auto shown = Qxctl({"--dir", dir.Path().string(), "runs", "show", "1", "--json"});
  ASSERT_EQ(shown.status, qx::cli::kExitOk) << shown.err;
  const std::string& j = shown.out;
  for (const char* part :
       {"\"device\":\"board 7, rev B\",\"note\":\"after reflow\"", "\"state\":\"failed\"",
        "\"point\":2,\"mode\":1,\"target_temp_C\":30,\"chamber_temp_C\":",
        "\"mode\":1,\"points_used\":[1],\"left_out\":[\"point 2: failed\"]",
        "\"mode\":2,\"points_used\":[1,2],\"left_out\":[]",
        "\"offset_drift_uV_per_C\":", "\"box_drift_ppm_per_C\":"})
    EXPECT_NE(j.find(part), std::string::npos) << part << "\n" << j;
  EXPECT_EQ(j.find("\"chamber_temp_C\":null"), std::string::npos) << j;
  const auto text = Qxctl({"--dir", dir.Path().string(), "runs", "show", "1"});
  EXPECT_EQ(text.out.rfind("run 1: failed\n", 0), 0u) << text.out;

  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;
  } kRefused[] = {
      {{"runs", "show", "2"}, qx::cli::kExitLinkFailed, "qxctl: the journal holds no run 2\n"},
      {{"runs", "show"}, qx::cli::kExitUsage, "runs takes list, show ID, export ID or report ID"},
      {{"runs", "show", "x"}, qx::cli::kExitUsage, "not a run id: x"},
      {{"runs", "show", "1", "--out", "d"}, qx::cli::kExitUsage, "unknown option --out"},
      {{"runs", "export", "1", "--json"}, qx::cli::kExitUsage, "unknown option --json"},
  };
  for (const auto& c : kRefused) {
    std::vector<std::string> args{"--dir", dir.Path().string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto refused = Qxctl(args);
    EXPECT_EQ(refused.status, c.status) << c.err;
    EXPECT_NE(refused.err.find(c.err), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "") << c.err;
  }
}

// The chamber stops answering after the first point: the run fails, resumable, and the point
// it did not reach shows neither a temperature nor a figure (it used to read 0.00 °C).
TEST_F(TempFaults, SilentChamberLeavesNoZeroTemperatureInTheFiles) {
  const auto r = Qxctl(In(dir.Path(), {"--chamber", "--hold", "1"}), [](qx::sim::SimBoard& b) {
    Quiet(b);
    b.Bridge().SetTargetProgram([&b, n = 0, was = false]() mutable {
      const bool streaming = b.Bridge().Streaming();
      n += streaming && !was;
      if (n == 2 && was && !streaming) b.Instruments().Chamber().SetRefuseAll(true);
      was = streaming;
    });
  });
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  EXPECT_NE(r.err.find("did not take the set point of point 2"), std::string::npos) << r.err;
  // Point 1 as measured (its offset and gain drift with the chamber: 349499 at 20 °C, not the
  // 349525 of 25 °C), point 2 with nothing.
  const std::string a = File("QxTEMPA.CSV");
  const auto point2 = a.find("\r\n, , 1,");
  ASSERT_NE(point2, std::string::npos) << a;
  EXPECT_EQ(a.substr(point2 + 2), ", , 1, , , , , , , ,\r\n, , 2, , , , , , , ,\r\n");
  EXPECT_NE(a.rfind("\r\n20.00, 0.00, 2, 349", point2), std::string::npos) << a;
  EXPECT_EQ(Lines(a), 6);
  EXPECT_EQ(RunState(), "failed");
}

/// A disk that takes `allowed` more result files, then fails every write with `error` (ENOSPC
/// for a full disk, EROFS for a file system remounted read-only).
struct FailingDisk {
  static inline int allowed = 0;
  static inline int error = 0;
  static bool WriteTemp(const std::filesystem::path& path, std::string_view bytes,
                        std::filesystem::path& temp, std::string& why) {
    if (allowed-- > 0) return qx::base::AtomicFile::Portable().writeTemp(path, bytes, temp, why);
    why = "cannot create " + path.string() + ".tmp-0000000000000001: " + std::strerror(error);
    return false;
  }
  FailingDisk(int allowedWrites, int errorCode) {
    allowed = allowedWrites;
    error = errorCode;
    qx::base::AtomicFile::Install({&WriteTemp, qx::base::AtomicFile::Portable().replace});
  }
  ~FailingDisk() { qx::base::AtomicFile::Install(qx::base::AtomicFile::Portable()); }
  FailingDisk(const FailingDisk&) = delete;
  FailingDisk& operator=(const FailingDisk&) = delete;
};

// A result file that cannot be written stops the run at once, naming the file and the reason;
// what was written before stays, and once the disk takes files again --resume completes the
// run as if nothing had happened.
TEST_F(TempFaults, ResultFileThatCannotBeWrittenStopsTheRunResumable) {
  for (const int code : {ENOSPC, EROFS}) {
    qx::test::TempDir d{"qx_temp_disk"};
    std::filesystem::copy(dir.Path(), d.Path(), std::filesystem::copy_options::recursive);
    std::string afterFirstMode;
    {
      // QxTEMPB.CSV after mode 1 is written; after mode 2 neither it nor its fallback is.
      const FailingDisk disk(1, code);
      const auto r = Qxctl(In(d.Path(), {"--no-chamber"}), Quiet);
      EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
      EXPECT_NE(r.err.find("stopped: cannot create " + (d.Path() / "QxTEMPB.CSV").string()),
                std::string::npos)
          << r.err;
      EXPECT_NE(r.err.find(std::strerror(code)), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find("Point 2/2"), std::string::npos) << "stopped at once: " << r.err;
      afterFirstMode = ReadAll(d.Path() / "QxTEMPB.CSV");
    }
    const std::string clean = Clean("QxTEMPB.CSV");
    EXPECT_EQ(afterFirstMode, clean.substr(0, clean.find("\r\n2, ") + 2) +
                                  "2, , , , , , , ,\r\n1, , , , , , , ,\r\n2, , , , , , , ,\r\n");
    const auto resumed = Qxctl(In(d.Path(), {"--no-chamber", "--resume"}), Quiet);
    ASSERT_EQ(resumed.status, qx::cli::kExitOk) << resumed.err;
    for (const char* name : {"QxTEMPA.CSV", "QxTEMPB.CSV"})
      EXPECT_EQ(ReadAll(d.Path() / name), Clean(name)) << std::strerror(code) << " " << name;
  }
}

// A file named TEMP where the raw-data folder must go stops a --full run at its first mode;
// the mode is not recorded, so the resumed run writes its raw file too.
TEST_F(TempFaults, RawFolderThatCannotBeMadeStopsTheRun) {
  WriteText(dir.Path() / "TEMP", "in the way");
  const auto r = Qxctl(In(dir.Path(), {"--no-chamber", "--full"}), Quiet);
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  EXPECT_NE(r.err.find("stopped: Cannot create " + (dir.Path() / "TEMP").string()),
            std::string::npos)
      << r.err;
  EXPECT_EQ(RunState(), "stopped");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TEMP" / "QxTMP-0.CSV"));

  std::filesystem::remove(dir.Path() / "TEMP");
  const auto resumed = Qxctl(In(dir.Path(), {"--no-chamber", "--full", "--resume"}), Quiet);
  ASSERT_EQ(resumed.status, qx::cli::kExitOk) << resumed.err;
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / "TEMP" / "QxTMP-3.CSV"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TEMP" / "QxTMP-4.CSV"));
  EXPECT_EQ(File("QxTEMPB.CSV"), Clean("QxTEMPB.CSV"));
}

// A folder holds one run at a time: while the panel runs in it, qxctl is refused at once with
// the holder, and nothing of the folder changes; once the holder is gone it runs.
TEST_F(TempFaults, SecondRunInTheFolderIsRefusedWithTheHolder) {
  {
    qx::platform::FlockRunLock panel(dir.Path() / "QxRuns.lock");
    std::string refusal;
    ASSERT_TRUE(panel.TryLock("qxpanel", refusal)) << refusal;
    const auto r = Qxctl(In(dir.Path(), {"--no-chamber"}), Quiet);
    EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
    EXPECT_NE(r.err.find("qxpanel (PID " + std::to_string(getpid()) + ") since 20"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxRuns.db"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPB.CSV"));
  }
  EXPECT_EQ(Qxctl(In(dir.Path(), {"--no-chamber"}), Quiet).status, qx::cli::kExitOk);
}

// An unfinished run in the journal refuses a plain start (exit 2, naming it and the two
// choices) and leaves its files alone; --new abandons it; --resume with nothing to resume is
// refused instead of starting a new run.
TEST_F(TempFaults, UnfinishedRunIsNeverAbandonedWithoutBeingAsked) {
  const auto none = Qxctl(In(dir.Path(), {"--no-chamber", "--resume"}), Quiet);
  EXPECT_EQ(none.status, qx::cli::kExitUsage) << none.err;
  EXPECT_NE(none.err.find("no unfinished run"), std::string::npos) << none.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxTEMPB.CSV"));

  ASSERT_EQ(Qxctl(In(dir.Path(), {"--no-chamber", "--link-wait", "0"}, "unplug@30"), Quiet).status,
            qx::cli::kExitLinkFailed);
  const std::string stopped = File("QxTEMPB.CSV");
  const auto refused = Qxctl(In(dir.Path(), {"--no-chamber"}), Quiet);
  EXPECT_EQ(refused.status, qx::cli::kExitUsage) << refused.err;
  for (const char* part : {"run 1 (started ", "0 of 4 modes recorded", "--resume", "--new"})
    EXPECT_NE(refused.err.find(part), std::string::npos) << part << "\n" << refused.err;
  EXPECT_EQ(File("QxTEMPB.CSV"), stopped);
  EXPECT_EQ(RunState(), "stopped");

  EXPECT_EQ(Qxctl(In(dir.Path(), {"--no-chamber", "--new", "--resume"}), Quiet).status,
            qx::cli::kExitUsage);
  const auto fresh = Qxctl(In(dir.Path(), {"--no-chamber", "--new"}), Quiet);
  ASSERT_EQ(fresh.status, qx::cli::kExitOk) << fresh.err;
  EXPECT_EQ(RunState(), "abandoned");
  EXPECT_NE(fresh.out.find("run 2 completed"), std::string::npos) << fresh.out;
}

// Temporary files that a killed write left under the result files' own names go at the start
// of the next run; anything else in the folder stays.
TEST_F(TempFaults, StaleTemporaryFilesOfTheResultFilesAreRemoved) {
  std::filesystem::create_directory(dir.Path() / "TEMP");
  const char* gone[] = {"QxTEMPB.CSV.tmp-00000000deadBEEF", "QxTEMPA.CSV.tmp-0123456789abcdef",
                        "QxTEMPBryMenOVER.CSV.tmp-ffffffffffffffff",
                        "TEMP/QxTMP-12.CSV.tmp-0000000000000001"};
  const char* kept[] = {"QxTEMPB.CSV.tmp-123",
                        "QxTEMPB.CSV.tmp-0123456789abcdeg",
                        "QxADC.cfg.tmp-0123456789abcdef",
                        "notes.txt",
                        "QxTEMPB.CSV.tmp-0123456789abcdef0",
                        "TEMP/QxTMP-x.CSV.tmp-0000000000000001"};
  for (const char* name : gone) WriteText(dir.Path() / name, "half");
  for (const char* name : kept) WriteText(dir.Path() / name, "mine");
  const auto r = Qxctl(In(dir.Path(), {"--no-chamber"}), Quiet);
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  for (const char* name : gone) {
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / name)) << name;
    EXPECT_NE(r.err.find((dir.Path() / name).string()), std::string::npos) << r.err;
  }
  for (const char* name : kept) EXPECT_EQ(File(name), "mine") << name;
}

// The report is one page with nothing from outside, its tags all closed, the failed row marked,
// and every drift figure in it the one `runs show --json` gives.
TEST_F(TempFaults, TheReportIsOnePageWithTheDriftFiguresOfRunsShow) {
  const auto r = Qxctl(In(dir.Path(), {"--chamber", "--hold", "0", "--dut", "board <7> & co"}),
                       CapturesFail(3, 6));
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed) << r.err;
  const auto page = dir.Path() / "report.html";
  const auto made =
      Qxctl({"--dir", dir.Path().string(), "runs", "report", "1", "--out", page.string()});
  ASSERT_EQ(made.status, qx::cli::kExitOk) << made.err;
  EXPECT_EQ(made.out, page.string() + "\n");
  std::ifstream in(page, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(TagNesting(html), "");
  for (const char* outside : {"http:", "https:", "src=", "href=", "url(", "@import", "<script"})
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  EXPECT_NE(html.find("<td>board &lt;7&gt; &amp; co</td>"), std::string::npos);
  EXPECT_NE(html.find("<tr class=\"failed\"><td>2</td><td>1</td>"), std::string::npos);
  EXPECT_EQ(std::count(html.begin(), html.end(), '\0'), 0);

  const std::string json = Qxctl({"--dir", dir.Path().string(), "runs", "show", "1", "--json"}).out;
  const size_t drift = json.find("\"drift\":[");
  ASSERT_NE(drift, std::string::npos) << json;
  int compared = 0;
  for (int mode = 1; mode <= 2; ++mode) {
    const size_t object = json.find("{\"mode\":" + std::to_string(mode) + ",", drift);
    ASSERT_NE(object, std::string::npos) << json;
    const std::string modeJson = json.substr(object, json.find("{\"mode\":", object + 1) - object);
    const size_t row =
        html.find("<tr><td>" + std::to_string(mode) + "</td>", html.find("class=\"drift\""));
    ASSERT_NE(row, std::string::npos);
    const std::string rowHtml = html.substr(row, html.find("</tr>", row) - row);
    for (size_t at = rowHtml.find("data-key=\""); at != std::string::npos;
         at = rowHtml.find("data-key=\"", at + 1)) {
      const size_t keyStart = at + 10;
      const std::string key = rowHtml.substr(keyStart, rowHtml.find('"', keyStart) - keyStart);
      const size_t cellEnd = rowHtml.find('>', at);
      const size_t value = rowHtml.find("data-value=\"", at);
      const std::string shown =
          value < cellEnd ? rowHtml.substr(value + 12, rowHtml.find('"', value + 12) - value - 12)
                          : "null";
      EXPECT_EQ(shown, JsonNumberText(modeJson, key)) << "mode " << mode << " " << key;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 2 * 13);
  // The input path's figures, from the run's two modes at their two levels.
  const size_t path = json.find("\"input_path\":{");
  ASSERT_NE(path, std::string::npos) << json;
  const std::string pathJson = json.substr(path);
  for (const char* key :
       {"offset_drift_uV_per_C", "gain_drift_ppm_per_C", "fit_residual_rms_uV_per_C"}) {
    const std::string attribute = std::string("data-key=\"input_path.") + key + "\"";
    const size_t at = html.find(attribute);
    ASSERT_NE(at, std::string::npos) << key;
    const size_t value = html.find("data-value=\"", at);
    const std::string shown = value < html.find('>', at)
                                  ? html.substr(value + 12, html.find('"', value + 12) - value - 12)
                                  : "null";
    EXPECT_EQ(shown, JsonNumberText(pathJson, key)) << key;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/LinkCommands.h"
#include "core/autotest/StepFile.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace {

using qx::test::Qxctl;

/// A program folder with the chip files and a "StepADC.txt" whose channels 1 and 2 differ only
/// in the PGA field of register 0x3D (the converter's register 1: PGA in bits 5..7).
class SwitchCli : public ::testing::Test {
 protected:
  SwitchCli() {
    std::filesystem::copy(std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE",
                          dir.Path() / "INCLUDE");
    qx::autotest::StepSettings s;
    s.stepLenIndex = 3;  // 8 samples a step
    s.loopIndex = 2;     // 4 loops
    s.enabled[0] = s.enabled[1] = true;
    s.values[1][4] = 0x20;  // PGA 1: gain 2
    std::ofstream(dir.Path() / "StepADC.txt", std::ios::binary) << qx::autotest::StepFile::Text(s);
  }
  /// The command on the default link (QX740x) unless `global` names another.
  std::vector<std::string> Args(std::initializer_list<std::string> extra,
                                std::initializer_list<std::string> global = {}) const {
    std::vector<std::string> a{"--simulate", "--virtual-time", "--dir", dir.Path().string()};
    a.insert(a.end(), global);
    a.push_back("switch-test");
    a.insert(a.end(), extra);
    return a;
  }
  static double MeanOf(const std::string& out, int channel) {
    const std::string key = "channel " + std::to_string(channel) + ": count 32, mean ";
    const size_t at = out.find(key);
    return at == std::string::npos ? 0 : std::stod(out.substr(at + key.size()));
  }
  qx::test::TempDir dir{"qx_switch_cli"};
};

TEST_F(SwitchCli, MeansFollowTheChannelsGainsAndTheFilesAreWritten) {
  const auto r = Qxctl(Args({}));
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  const double m1 = MeanOf(r.out, 1), m2 = MeanOf(r.out, 2);
  // 0.6 V of a 2.4 V reference is a quarter of full scale at gain 1.
  EXPECT_NEAR(m1, 2097152, 20);
  EXPECT_NEAR(m2 / m1, 2.0, 1e-4);
  for (int k = 0; k < 8; ++k)
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / ("QxADCSW" + std::to_string(k) + ".CSV")));
  std::ifstream csv(dir.Path() / "QxADCSW1.CSV", std::ios::binary);
  std::string header;
  std::getline(csv, header);
  EXPECT_EQ(header, "  , Data 0, Data 1, Data 2, Data 3, Data 4, Data 5, Data 6, Data 7\r");
  EXPECT_NE(r.err.find("read 32 of 64 samples"), std::string::npos);

  // The scale option divides the codes: 8 bits keep the top 8 of 24.
  const auto scaled = Qxctl(Args({"--scale", "8", "--channels", "1"}));
  ASSERT_EQ(scaled.status, qx::cli::kExitOk) << scaled.err;
  EXPECT_NEAR(MeanOf(scaled.out, 1), 64, 1);
}

TEST_F(SwitchCli, SettingsFileThatCannotBeReadSendsNothing) {
  const auto step = dir.Path() / "StepADC.txt";
  std::filesystem::remove(step);
  std::filesystem::create_directory(step);
  const auto r = Qxctl(Args({"--channels", "1"}));
  EXPECT_EQ(r.status, qx::cli::kExitLinkFailed);
  EXPECT_EQ(r.err, "qxctl: " + step.string() + ": not a regular file\n");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxADCSW0.CSV"));
  // Without the file the options alone are the settings.
  std::filesystem::remove(step);
  EXPECT_EQ(Qxctl(Args({"--channels", "1"})).status, qx::cli::kExitOk);
}

TEST_F(SwitchCli, ChannelsWithAGapAreMeasuredWithTheFirstSettingsAndSaidSo) {
  // Only the count of checked channels travels with the table: the target measures entries 1
  // and 2 (gains 1 and 2), whatever boxes are checked, and qxctl names them.
  const auto r = Qxctl(Args({"--channels", "2,5"}));
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  EXPECT_NE(r.err.find("qxctl: The target measures the first 2 channel settings of its table in "
                       "turn: the run measures the settings of channels 1 to 2, not those of "
                       "the checked channels 2, 5.\n"),
            std::string::npos)
      << r.err;
  EXPECT_NEAR(MeanOf(r.out, 2) / MeanOf(r.out, 1), 2.0, 1e-4);

  const auto prefix = Qxctl(Args({"--channels", "1,2"}));
  ASSERT_EQ(prefix.status, qx::cli::kExitOk) << prefix.err;
  EXPECT_EQ(prefix.err.find("measures the first"), std::string::npos);
}

TEST_F(SwitchCli, TargetFaultsEndWithTestFail) {
  const auto never = Qxctl(Args({"--timeout", "30"}), [](qx::sim::SimBoard& b) {
    b.SwitchFirmware().SetNeverCompletes(true);
  });
  EXPECT_EQ(never.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(never.err.find("Test Fail: the target did not report completion"), std::string::npos);
  EXPECT_NE(never.err.find("waiting for the target: 30 s"), std::string::npos);

  const auto stuck =
      Qxctl(Args({}), [](qx::sim::SimBoard& b) { b.SwitchFirmware().SetBusyStuck(true); });
  EXPECT_EQ(stuck.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(stuck.err.find("busy bit"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "QxADCSW0.CSV"));

  const auto garbled = Qxctl(Args({}), [](qx::sim::SimBoard& b) {
    // The channel table reads back otherwise than written.
    b.Bridge().SetTargetProgram([&b] {
      b.SwitchFirmware().Step();
      b.Target().SetMemory(0x12A, 0);
    });
  });
  EXPECT_EQ(garbled.status, qx::cli::kExitLinkFailed);
  EXPECT_NE(garbled.err.find("Test Fail: the settings did not reach the target's data memory"),
            std::string::npos);
}

TEST_F(SwitchCli, TheQx740xLinksRunGoesOverTheMemoryLinkAndAGivenKindIsKept) {
  const auto r = Qxctl(Args({"--channels", "1", "--loops", "1"}, {"--trace"}));
  ASSERT_EQ(r.status, qx::cli::kExitOk) << r.err;
  // The channel table through the optocoupler (no QxADC.cfg: the default): BC 40, address
  // 0x128 low byte first, eight register addresses.
  EXPECT_NE(r.trace.find("> BC 40 28 01 08 31 32 37 3C 3D 3E 3F 40"), std::string::npos);
  EXPECT_EQ(r.trace.find("> C4 00 A0"), std::string::npos);  // no register-link write

  // Any other kind given on the command line carries the test as it is: UART frames here.
  const auto uart =
      Qxctl(Args({"--channels", "1", "--loops", "1"}, {"--link-kind", "4", "--trace"}));
  ASSERT_EQ(uart.status, qx::cli::kExitOk) << uart.err;
  EXPECT_NE(uart.trace.find("> C1 00 28 01 08 31 32 37 3C 3D 3E 3F 40"), std::string::npos);
  EXPECT_EQ(uart.trace.find("> BC"), std::string::npos);
}

TEST_F(SwitchCli, BadOptionsAreRefused) {
  EXPECT_EQ(Qxctl(Args({"--step-len", "5"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--loops", "512"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--channels", "0,9"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--scale", "25"})).status, qx::cli::kExitUsage);
  EXPECT_EQ(Qxctl(Args({"--bits", "8"})).status, qx::cli::kExitUsage);
}

}  // namespace

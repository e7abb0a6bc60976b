#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/LinkCommands.h"
#include "sim/SimBoard.h"
#include "support/JsonField.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

using test::Json;
using test::Qxctl;
using CliResult = test::QxctlResult;

/// Only output-referred noise of a known size, on a zero input.
void KnownNoise(sim::SimBoard& b, double codes) {
  b.Target().SetDcLevelVolts(0);
  b.Target().SetInputNoiseNv(0);
  b.Target().SetOutputNoiseCodes(codes);
  b.Target().PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
}

TEST(EnobCommand, KnownSigmaGivesItsRmsNoiseAndEnob) {
  // 24-bit output noise of 20 codes is 10 display codes at 23 bits once the button's halving
  // flag has halved the values.
  const CliResult r =
      Qxctl({"--simulate", "enob", "--points", "4096", "--bits", "23", "--ref", "2.4", "--json"},
            [](sim::SimBoard& b) { KnownNoise(b, 20); });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Json(r.out, "samples"), 4096);
  const double sigma = Json(r.out, "rmsCodes");
  EXPECT_NEAR(sigma, 10.0, 0.4);
  EXPECT_NEAR(Json(r.out, "rmsNv"), 2.4e9 / 4194304.0 * sigma, 1e-6);
  EXPECT_NEAR(Json(r.out, "enob"), 23 - std::log2(10.0), 0.06);
  EXPECT_NEAR(Json(r.out, "mean"), 0, 0.6);
}

TEST(EnobCommand, PgaGainDividesTheNanovoltFigures) {
  auto capture = [](uint8_t pga) {
    return Qxctl(
        {"--simulate", "enob", "--points", "1024", "--bits", "23", "--ref", "2.4", "--json"},
        [pga](sim::SimBoard& b) {
          KnownNoise(b, 20);
          b.Target().SetRegister(1, static_cast<uint8_t>(pga << 5));
        });
  };
  const CliResult unity = capture(0);
  const CliResult eight = capture(3);
  ASSERT_EQ(unity.status, kExitOk) << unity.err;
  ASSERT_EQ(eight.status, kExitOk) << eight.err;
  EXPECT_DOUBLE_EQ(Json(unity.out, "rmsCodes"), Json(eight.out, "rmsCodes"));
  EXPECT_NEAR(Json(unity.out, "rmsNv") / Json(eight.out, "rmsNv"), 8.0, 1e-9);
  EXPECT_NEAR(Json(unity.out, "vppNv") / Json(eight.out, "vppNv"), 8.0, 1e-9);
}

TEST(EnobCommand, PrintsSevenFiguresAndSavesTheCodes) {
  qx::test::TempDir dir("qx_enob");
  const std::string save = (dir.Path() / "QxADC.CSV").string();
  const CliResult r = Qxctl({"--simulate", "enob", "--points", "64", "--bits", "8", "--ref", "2.4",
                             "--avg", "2", "--mode", "1", "--save", save},
                            [](sim::SimBoard& b) { KnownNoise(b, 0); });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "Average\t0.00\nVp-p Noise\t18750000.00\nRMS Noise\t0.00\nENOB\t8.00\n"
            "Vp-p Count\t1.00\nRMS Count\t0.00\nNoise Free\t8.00\n");
  std::ifstream in(save, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, std::string(128, '\0'));
}

TEST(EnobCommand, BadOptionsAreRefused) {
  EXPECT_EQ(Qxctl({"--simulate", "enob", "--points", "100", "--bits", "23", "--ref", "2.4"}).status,
            kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "enob", "--points", "64", "--bits", "24", "--ref", "2.4"}).status,
            kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "enob", "--points", "64", "--bits", "23"}).status, kExitUsage);
  EXPECT_EQ(
      Qxctl({"--simulate", "enob", "--points", "64", "--bits", "23", "--ref", "2.4", "--mode", "2"})
          .status,
      kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "read", "1", "1", "--points", "64"}).status, kExitUsage);
}

TEST(StatsCommand, RecordedStreamGivesTheCaptureFigures) {
  qx::test::TempDir dir("qx_stats");
  const auto file = dir.Path() / "stream.txt";
  {
    std::ofstream out(file);
    for (int i = 0; i < 13; ++i) out << "7FFFFF\n";
    for (int i = 0; i < 64; ++i) out << (i % 2 == 0 ? "000000\n" : "000004\n");
  }
  const CliResult r =
      Qxctl({"stats", "--bits", "23", "--ref", "2.4", "--gain", "4", "--json", file.string()});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Json(r.out, "samples"), 64);
  EXPECT_EQ(Json(r.out, "mean"), 1);
  EXPECT_EQ(Json(r.out, "rmsCodes"), 1);
  EXPECT_NEAR(Json(r.out, "rmsNv"), 2.4e9 / 4194304.0 / 4, 1e-9);
  EXPECT_EQ(Json(r.out, "vppCodes"), 2);

  const CliResult skipped =
      Qxctl({"stats", "--bits", "23", "--ref", "2.4", "--skip", "0", "--json", file.string()});
  EXPECT_EQ(Json(skipped.out, "samples"), 77);

  const CliResult averaged =
      Qxctl({"stats", "--bits", "23", "--ref", "2.4", "--avg", "2", "--json", file.string()});
  EXPECT_EQ(Json(averaged.out, "samples"), 32);
  EXPECT_EQ(Json(averaged.out, "rmsCodes"), 0);
}

TEST(StatsCommand, AverageOfOneReaveragesAsTheWindowsListDoes) {
  qx::test::TempDir dir("qx_stats_avg1");
  const auto file = dir.Path() / "slots.txt";
  {
    std::ofstream out(file);
    for (int i = 0; i < 13; ++i) out << "7FFFFF\n";
    char slot[8];
    for (int i = 0; i < 64; ++i) {
      std::snprintf(slot, sizeof slot, "%06X\n", 0x123456 + i % 5);
      out << slot;
    }
  }
  const auto stats = [&](std::vector<std::string> extra) {
    std::vector<std::string> argv{"stats", "--bits", "20", "--ref", "2.4", "--json"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(file.string());
    return Qxctl(argv);
  };
  // The capture's figures work on whole 20-bit codes; re-averaging, even by one, keeps the
  // fractions of the 23-bit codes: 38177522 / 64 / 8.
  EXPECT_EQ(Json(stats({}).out, "mean"), 74565);
  EXPECT_DOUBLE_EQ(Json(stats({"--avg", "1"}).out, "mean"), 74565.47265625);
}

TEST(StatsCommand, BadFilesSayWhatIsWrong) {
  qx::test::TempDir dir("qx_stats_bad");
  const auto file = dir.Path() / "bad.txt";
  std::ofstream(file) << "000001\nxyz\n";
  const CliResult r = Qxctl({"stats", "--bits", "23", "--ref", "2.4", file.string()});
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
  const CliResult missing =
      Qxctl({"stats", "--bits", "23", "--ref", "2.4", (dir.Path() / "none").string()});
  EXPECT_EQ(missing.status, kExitLinkFailed);
  const CliResult shortRun = Qxctl({"stats", "--bits", "23", "--ref", "2.4", file.string()});
  EXPECT_EQ(shortRun.status, kExitLinkFailed);
}

}  // namespace
}  // namespace qx::cli

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/LinkCommands.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

using test::Qxctl;

/// Every value of `key` in the JSON text, in order.
std::vector<double> Values(const std::string& json, const std::string& key) {
  std::vector<double> out;
  const std::string tag = "\"" + key + "\":";
  for (auto at = json.find(tag); at != std::string::npos; at = json.find(tag, at + 1))
    out.push_back(std::strtod(json.c_str() + at + tag.size(), nullptr));
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

const std::vector<double> kGains = {1, 2, 4, 8, 16, 32, 64, 128};

/// One JSON sweep over every gain of the shipped chip at 2560 sps, 1024 points, on virtual time.
test::QxctlResult SweepGains(double inputNv, double outputCodes) {
  return Qxctl(
      {"--simulate", "--virtual-time", "sweep", "--points", "1024", "--rates", "2560", "--json"},
      [=](sim::SimBoard& b) {
        b.Target().SetDcLevelVolts(0);
        b.Target().SetInputNoiseNv(inputNv);
        b.Target().SetOutputNoiseCodes(outputCodes);
      });
}

// The standard deviation of N = 1024 Gaussian samples scatters by 1 / sqrt(2 (N - 1)), 2.2 %;
// the ratio of two such estimates by about 3.1 %. Four of those, 12 %, is the tolerance: a
// gain applied twice or not at all is off by a factor of two or more.
constexpr double kTolerance = 0.12;

TEST(SweepNoiseModel, InputReferredNoiseIsFlatInNanovoltsAcrossTheGains) {
  // 20 uV RMS: 35 display codes at gain 1, so the rounding to codes adds nothing visible.
  const auto r = SweepGains(20'000, 0);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const auto nv = Values(r.out, "rmsNv");
  const auto codes = Values(r.out, "rmsCodes");
  ASSERT_EQ(nv.size(), kGains.size()) << r.out;
  for (size_t i = 0; i < nv.size(); ++i) {
    EXPECT_NEAR(nv[i] / 20'000, 1.0, kTolerance) << "gain " << kGains[i];
    EXPECT_NEAR(codes[i] / (codes[0] * kGains[i]), 1.0, kTolerance) << "gain " << kGains[i];
  }
}

TEST(SweepNoiseModel, OutputReferredNoiseFallsAsOneOverTheGainInNanovolts) {
  // 40 codes at 24 bits are 20 display codes once halved: 20 x 2.4 V / 2^22 = 11.44 uV at gain 1.
  const auto r = SweepGains(0, 40);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const auto nv = Values(r.out, "rmsNv");
  const auto codes = Values(r.out, "rmsCodes");
  ASSERT_EQ(nv.size(), kGains.size()) << r.out;
  for (size_t i = 0; i < nv.size(); ++i) {
    EXPECT_NEAR(codes[i] / 20, 1.0, kTolerance) << "gain " << kGains[i];
    EXPECT_NEAR(nv[i] * kGains[i] / (20 * 2.4e9 / 4194304), 1.0, kTolerance)
        << "gain " << kGains[i];
  }
}

TEST(SweepCommand, WritesTheCsvPrintsTheTableAndRestoresTheRegisters) {
  test::TempDir dir("qx_sweep");
  const std::string csv = (dir.Path() / "noise.csv").string();
  // 1 mV stays inside full scale at both gains.
  const auto r = Qxctl({"--simulate", "--virtual-time", "--trace", "sweep", "--points", "64",
                        "--gains", "8,1", "--rates", "2560,30", "--csv", csv},
                       [](sim::SimBoard& b) { b.Target().SetDcLevelVolts(0.001); });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::ifstream in(csv, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto rows = Lines(bytes);
  ASSERT_EQ(rows.size(), 5u) << bytes;
  EXPECT_EQ(rows[0],
            "Gain,Rate (sps),OSR,HS,Points,RMS noise (nV),RMS noise (uV),Vp-p noise (nV),"
            "ENOB (bits),Noise-free bits,RMS noise (codes),Status\r");
  const char* starts[] = {"8,2560,0,0,64,", "8,30,7,1,64,", "1,2560,0,0,64,", "1,30,7,1,64,"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(rows[i + 1].rfind(starts[i], 0), 0u) << rows[i + 1];
    EXPECT_EQ(rows[i + 1].substr(rows[i + 1].size() - 4), ",ok\r") << rows[i + 1];
  }
  // The terminal table: units in the header, one line per cell.
  const auto table = Lines(r.out);
  ASSERT_EQ(table.size(), 5u) << r.out;
  EXPECT_NE(table[0].find("RMS noise (\u00B5V)"), std::string::npos);
  EXPECT_NE(r.err.find("Cell 1/4: gain 8, 2560 sps"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Cell 4/4: gain 1, 30 sps"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("4 of 4 cells captured"), std::string::npos) << r.err;
  // PGA 3 (gain 8) goes out first, PGA 0 comes back at the end; OSR and HS likewise. A write
  // is C4 00 A0 reg 01, two bytes, then the register's value.
  std::vector<std::string> pga, rate;
  for (const std::string& line : Lines(r.trace)) {
    if (line.rfind("> C4 00 A0 01 01 ", 0) == 0) pga.push_back(line.substr(23, 2));
    if (line.rfind("> C4 00 A0 03 01 ", 0) == 0) rate.push_back(line.substr(23, 2));
  }
  ASSERT_FALSE(pga.empty()) << r.trace;
  EXPECT_EQ(pga.front(), "60");
  EXPECT_EQ(pga.back(), "00");
  ASSERT_FALSE(rate.empty()) << r.trace;
  EXPECT_EQ(rate.back(), "00");
}

TEST(SweepCommand, AGainThatDrivesTheInputBeyondFullScaleIsNamedOverRange) {
  // 30 mV fits at gain 64 (1.92 V of 2.4 V) but not at gain 128.
  const auto r = Qxctl({"--simulate", "--virtual-time", "sweep", "--points", "64", "--gains",
                        "64,128", "--rates", "2560"},
                       [](sim::SimBoard& b) {
                         b.Target().SetDcLevelVolts(0.03);
                         b.Target().SetInputNoiseNv(0);
                         b.Target().SetOutputNoiseCodes(0);
                       });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const auto table = Lines(r.out);
  ASSERT_EQ(table.size(), 3u) << r.out;
  EXPECT_TRUE(table[1].ends_with("ok")) << table[1];
  EXPECT_TRUE(table[2].ends_with("over range: 64 of 64 samples at full scale")) << table[2];
  EXPECT_NE(r.err.find("1 cells over range"), std::string::npos) << r.err;
}

TEST(SweepCommand, BadChoicesExitTwoAndNameWhatTheChipHas) {
  struct Case {
    std::vector<std::string> options;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--points", "64", "--gains", "3"}, "the chip's gains are 1, 2, 4, 8, 16, 32, 64, 128"},
      {{"--points", "64", "--rates", "100"}, "the chip's rates are 7680, 3840, 2560, 1920"},
      {{"--points", "100"}, "--points must be a power of two from 64 to 65536: 100"},
      {{"--gains", "1"}, "--points is required"},
      {{"--points", "64", "--ref", "abc"}, "--ref must be a positive voltage"},
      {{"--points", "64", "--json", "--csv", "x.csv"}, "--json and --csv exclude each other"},
      {{"--points", "64", "--bits", "23"}, "unknown option --bits"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"--simulate", "--virtual-time", "sweep"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    const auto r = Qxctl(argv);
    EXPECT_EQ(r.status, kExitUsage) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

TEST(SweepCommand, ABridgeThatGoesAwayFailsTheRestAndExitsOne) {
  test::TempDir dir("qx_sweep");
  const std::string csv = (dir.Path() / "noise.csv").string();
  const auto r = Qxctl({"--simulate", "--virtual-time", "--sim-fault", "unplug@20", "sweep",
                        "--points", "64", "--gains", "1,2", "--rates", "2560", "--csv", csv});
  EXPECT_EQ(r.status, kExitLinkFailed) << r.err;
  std::ifstream in(csv, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto rows = Lines(bytes);
  ASSERT_EQ(rows.size(), 3u) << bytes;
  // The cell that lost the bridge has a reason and no figures, not a row of zeros.
  EXPECT_EQ(rows[2].rfind("2,2560,0,0,0,,,,,,,failed: ", 0), 0u) << rows[2];
  // It blames the link, not a register the link could not reach.
  EXPECT_NE(rows[2].find("USB not Connect !!!"), std::string::npos) << rows[2];
  EXPECT_EQ(rows[2].find("did not take"), std::string::npos) << rows[2];
  EXPECT_NE(r.err.find("cells captured"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qx::cli

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "core/analysis/NoiseUnits.h"
#include "sim/SimBoard.h"
#include "support/JsonField.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

using test::Json;
using test::Qxctl;
using CliResult = test::QxctlResult;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

/// An export file read back: its header lines (without "# ") and its data columns.
struct ExportFile {
  std::vector<std::string> header;
  std::vector<long> index;
  std::vector<long> code;
  std::vector<double> volts;
  bool crlf = true;
  int columnLines = 0;

  bool Has(const std::string& line) const {
    for (const std::string& h : header)
      if (h == line) return true;
    return false;
  }
};

ExportFile Parse(const std::string& text) {
  ExportFile f;
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    if (l.empty() || l.back() != '\r') {
      f.crlf = false;
    } else {
      l.pop_back();
    }
    if (l.rfind("# ", 0) == 0) {
      f.header.push_back(l.substr(2));
    } else if (l == "index,code,volts") {
      ++f.columnLines;
    } else {
      std::istringstream cells(l);
      std::string a, b, c;
      std::getline(cells, a, ',');
      std::getline(cells, b, ',');
      std::getline(cells, c);
      f.index.push_back(std::stol(a));
      f.code.push_back(std::stol(b));
      f.volts.push_back(std::stod(c));
    }
  }
  return f;
}

/// The two bytes the window's save file holds for display code v.
std::array<uint8_t, 2> SaveRecord(long v) {
  return {static_cast<uint8_t>((v / 256) & 0xFF), static_cast<uint8_t>((v % 256) & 0xFF)};
}

TEST(EnobExport, CodesSettingsAndFiguresOfOneCapture) {
  qx::test::TempDir dir("qx_enob_export");
  const std::string exported = (dir.Path() / "capture.csv").string();
  const std::string saved = (dir.Path() / "QxADC.CSV").string();
  std::array<uint8_t, 5> registers{};
  const CliResult r = Qxctl({"--simulate", "--virtual-time", "enob", "--points", "256", "--bits",
                             "23", "--ref", "2.4", "--json", "--export", exported, "--save", saved},
                            [&registers](sim::SimBoard& b) {
                              // -0.1 V at gain 8: codes around -2796203, negative 24-bit patterns
                              // on the wire.
                              b.Target().SetDcLevelVolts(-0.1);
                              b.Target().SetInputNoiseNv(0);
                              b.Target().SetOutputNoiseCodes(40);
                              b.Target().PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
                              b.Target().SetRegister(0, 0x80);
                              b.Target().SetRegister(1, 3 << 5);  // PGA 3
                              b.Target().SetRegister(2, 0x5A);
                              b.Target().SetRegister(3, (2 << 5) | (1 << 4));  // OSR 2, HS
                              b.Target().SetRegister(4, 0xC0);
                              for (size_t a = 0; a < registers.size(); ++a)
                                registers[a] = b.Target().Register(a);
                            });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const std::string text = ReadAll(exported);
  const ExportFile f = Parse(text);
  EXPECT_TRUE(f.crlf);
  EXPECT_EQ(f.columnLines, 1);

  ASSERT_FALSE(f.header.empty());
  ASSERT_GE(f.header.size(), 2u);
  EXPECT_TRUE(std::regex_match(f.header[1],
                               std::regex(R"(date: \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << f.header[1];
  for (const char* line :
       {"chip: QX7401", "link: 5 QX740x", "PGA gain: 8 (PGA 3)", "ADC gain: 1 (ADGN 0)",
        "total gain: 8", "reference: \"2.4\" = 2.4 V", "output rate: 1920 sps",
        "resolution: 23 bits", "samples: 256", "capture: complete"})
    EXPECT_TRUE(f.Has(line)) << line << "\n" << text.substr(0, 600);
  for (size_t a = 0; a < registers.size(); ++a) {
    char line[40];
    std::snprintf(line, sizeof line, "register 0x%03zX: 0x%02X", a, registers[a]);
    EXPECT_TRUE(f.Has(line)) << line;
  }

  ASSERT_EQ(f.code.size(), 256u);
  const std::string save = ReadAll(saved);
  ASSERT_EQ(save.size(), 512u);
  double sum = 0, voltsSum = 0;
  for (size_t i = 0; i < f.code.size(); ++i) {
    EXPECT_EQ(f.index[i], static_cast<long>(i));
    const long code = f.code[i];
    ASSERT_GE(code, -8388608);
    ASSERT_LT(code, 0) << "a negative input gives negative codes";
    // The window's codes at 23 bits are the streamed codes halved; its save file keeps them.
    const long display = code >> 1;
    const auto record = SaveRecord(display);
    EXPECT_EQ(static_cast<uint8_t>(save[2 * i]), record[0]) << i;
    EXPECT_EQ(static_cast<uint8_t>(save[2 * i + 1]), record[1]) << i;
    // Ten significant digits: within 5e-10 of the value, and the code comes back from it.
    const double volts = static_cast<double>(code) * 2.4 / (8388608.0 * 8);
    EXPECT_NEAR(f.volts[i], volts, 5e-10 * std::abs(volts)) << i;
    EXPECT_EQ(std::lround(f.volts[i] * 8388608.0 * 8 / 2.4), code) << i;
    sum += static_cast<double>(display);
    voltsSum += f.volts[i];
  }
  // The volts column is the input: the board's -0.1 V under 40 codes of noise.
  EXPECT_NEAR(voltsSum / 256, -0.1, 2e-6);

  // The figures were computed from exactly these samples.
  const double mean = sum / 256;
  double squares = 0;
  for (long code : f.code) squares += std::pow(static_cast<double>(code >> 1) - mean, 2);
  EXPECT_NEAR(Json(r.out, "mean"), mean, 1e-6);
  EXPECT_NEAR(Json(r.out, "rmsCodes"), std::sqrt(squares / 256), 1e-9);
  EXPECT_EQ(Json(r.out, "samples"), 256);
}

TEST(EnobExport, FileThatCannotBeWrittenFailsTheCommand) {
  qx::test::TempDir dir("qx_enob_export_fail");
  const std::vector<std::string> enob = {"--simulate", "--virtual-time", "enob", "--points",
                                         "64",         "--bits",         "23",   "--ref",
                                         "2.4",        "--export"};
  auto with = [&enob](const std::string& file) {
    std::vector<std::string> argv = enob;
    argv.push_back(file);
    return Qxctl(argv);
  };
  const CliResult empty = with("");
  EXPECT_EQ(empty.status, kExitUsage);
  EXPECT_NE(empty.err.find("--export needs a file name"), std::string::npos) << empty.err;

  const std::string missing = (dir.Path() / "no-such-folder" / "capture.csv").string();
  const CliResult r = with(missing);
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_NE(r.err.find("qxctl: " + missing + ": "), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_NE(r.out.find("RMS Noise\t"), std::string::npos) << "the figures are still printed";

  const CliResult folder = with(dir.Path().string());
  EXPECT_EQ(folder.status, kExitLinkFailed);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path()));
}

TEST(EnobExport, NoiseFiguresInTheChosenUnit) {
  auto run = [](const std::string& unit, bool json) {
    std::vector<std::string> argv = {"--simulate", "--virtual-time", "enob", "--points",
                                     "1024",       "--bits",         "20",   "--ref",
                                     "3.3",        "--unit",         unit};
    if (json) argv.push_back("--json");
    return Qxctl(argv, [](sim::SimBoard& b) {
      b.Target().SetDcLevelVolts(0.01);
      b.Target().SetOutputNoiseCodes(200);
      b.Target().PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
      b.Target().SetRegister(1, 2 << 5);  // PGA 2: gain 4
    });
  };
  const CliResult uv = run("uV", true);
  ASSERT_EQ(uv.status, kExitOk) << uv.err;
  // The JSON figures stay as they are; the unit's come beside them.
  EXPECT_NE(uv.out.find("\"unit\": \"uV\""), std::string::npos) << uv.out;
  EXPECT_GT(Json(uv.out, "rmsNv"), 0);
  EXPECT_DOUBLE_EQ(Json(uv.out, "rms"), Json(uv.out, "rmsNv") / 1000);
  EXPECT_DOUBLE_EQ(Json(uv.out, "vpp"), Json(uv.out, "vppNv") / 1000);

  const CliResult ppm = run("ppm", true);
  ASSERT_EQ(ppm.status, kExitOk) << ppm.err;
  EXPECT_DOUBLE_EQ(Json(ppm.out, "rms"), Json(ppm.out, "rmsCodes") * 1e6 / 1048576.0);
  // The same range in volts: 2 x 3.3 V / 4 is 1e6 ppm.
  EXPECT_NEAR(Json(ppm.out, "rms") * 1e-6 * 2 * 3.3e9 / 4, Json(ppm.out, "rmsNv"), 1e-6);

  const CliResult nv = run("nV", false);
  ASSERT_EQ(nv.status, kExitOk) << nv.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(nv.out, m, std::regex("RMS Noise\t([0-9.]+) nV\n"))) << nv.out;
  const std::regex counts("RMS Count\t([0-9.]+)\n");
  std::smatch c;
  ASSERT_TRUE(std::regex_search(nv.out, c, counts));
  // One code at 20 bits, 3.3 V and gain 4 is 3.3e9 / (2^19 x 4) nV.
  // The count has two decimals (0.005 code is 7.9 nV), the figure four digits.
  EXPECT_NEAR(std::stod(m[1]), std::stod(c[1]) * 3.3e9 / (524288.0 * 4), 9.0);
  EXPECT_TRUE(std::regex_search(nv.out, std::regex("Vp-p Noise\t[0-9.]+ nV\n"))) << nv.out;

  const CliResult bad = run("mV", false);
  EXPECT_EQ(bad.status, kExitUsage);
  EXPECT_NE(bad.err.find("--unit must be codes, nV, uV or ppm: mV"), std::string::npos) << bad.err;
}

TEST(EnobExport, UsageNamesTheOptions) {
  const std::string usage = UsageText();
  EXPECT_NE(usage.find("[--export FILE]"), std::string::npos);
  EXPECT_NE(usage.find("--unit U"), std::string::npos);
}

}  // namespace
}  // namespace qx::cli

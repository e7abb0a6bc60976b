#include "core/analysis/CaptureExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "CaptureFixture.h"
#include "core/analysis/SlotDecoder.h"
#include "support/TempDir.h"

namespace qx::analysis {
namespace {

CaptureSettings SmallSettings() {
  CaptureSettings s;
  s.dateTime = "2024-05-01T14:03:59+02:00";
  s.chipName = "QX7401";
  s.linkKind = 5;
  s.linkName = "QX740x";
  s.registers = {{0x000, 0x80}, {0x001, 0x88}, {0x003, 0x50}};
  s.gain = {2, 1, 0, 4, 2, 1};
  s.totalGain = 8;
  s.referenceText = "2.4";
  s.referenceVolts = 2.4;
  s.outputRateSps = 1920;
  s.bits = 23;
  s.averaging = 1;
  return s;
}

TEST(CaptureExport, SmallCaptureByteForByte) {
  // 0x800000 and 0xFFFFFF as the bridge streams them: the most negative code and -1.
  const std::vector<int32_t> codes{0, 3, -1, -8388608, 8388607, 4194304, -2097152};
  EXPECT_EQ(CaptureExportText(SmallSettings(), codes),
            "# ADC capture\r\n"
            "# date: 2024-05-01T14:03:59+02:00\r\n"
            "# chip: QX7401\r\n"
            "# link: 5 QX740x\r\n"
            "# register 0x000: 0x80\r\n"
            "# register 0x001: 0x88\r\n"
            "# register 0x003: 0x50\r\n"
            "# PGA gain: 4 (PGA 2)\r\n"
            "# ADC gain: 2 (ADGN 1)\r\n"
            "# FSRB: 0 (x1)\r\n"
            "# total gain: 8\r\n"
            "# reference: \"2.4\" = 2.4 V\r\n"
            "# output rate: 1920 sps\r\n"
            "# resolution: 23 bits\r\n"
            "# samples: 7\r\n"
            "# averaging: 1 (of the figures; the codes are the samples as captured)\r\n"
            "# capture: complete\r\n"
            "index,code,volts\r\n"
            "0,0,0.000000000e+00\r\n"
            "1,3,1.072883606e-07\r\n"
            "2,-1,-3.576278687e-08\r\n"
            "3,-8388608,-3.000000000e-01\r\n"
            "4,8388607,2.999999642e-01\r\n"
            "5,4194304,1.500000000e-01\r\n"
            "6,-2097152,-7.500000000e-02\r\n");
}

TEST(CaptureExport, UnknownRateFailedCaptureAndTextsThatWouldBreakTheHeader) {
  CaptureSettings s = SmallSettings();
  s.outputRateSps.reset();
  s.complete = false;
  s.registers.clear();
  s.referenceText = "2.4\r\n0,1,2";  // a pasted line break must not become a data line
  s.chipName = "A\tB";
  const std::string text = CaptureExportText(s, {});
  EXPECT_NE(text.find("# output rate: unknown\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("# capture: stopped or failed\r\n"), std::string::npos);
  EXPECT_NE(text.find("# reference: \"2.4  0,1,2\" = 2.4 V\r\n"), std::string::npos);
  EXPECT_NE(text.find("# chip: A B\r\n"), std::string::npos);
  EXPECT_EQ(text.find("register"), std::string::npos);
  // Every line is a comment but the column line, which ends the text of an empty capture.
  std::istringstream lines(text);
  int comments = 0;
  for (std::string l; std::getline(lines, l);) {
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.back(), '\r');
    if (l.rfind("# ", 0) == 0)
      ++comments;
    else
      EXPECT_EQ(l, "index,code,volts\r");
  }
  EXPECT_EQ(comments, 14);
  EXPECT_EQ(text.substr(text.size() - 18), "index,code,volts\r\n");
}

TEST(CaptureExport, VoltsGiveTheCodeBack) {
  // Ten significant digits: any 24-bit code comes back from its volts, whatever the reference
  // and the gain.
  const double references[] = {2.4, 1.2, 3.3, 1e-6, 100};
  const double gains[] = {1, 3, 8, 128, 2048, 1e6};
  for (double ref : references) {
    for (double gain : gains) {
      CaptureSettings s = SmallSettings();
      s.referenceVolts = ref;
      s.totalGain = gain;
      std::vector<int32_t> codes{-8388608, -8388607, -1, 0, 1, 8388606, 8388607};
      for (int32_t c = -8388608; c < 8388607; c += 9973) codes.push_back(c);
      const std::string text = CaptureExportText(s, codes);
      std::istringstream lines(text.substr(text.find("index,code,volts\r\n") + 18));
      size_t i = 0;
      for (std::string l; std::getline(lines, l); ++i) {
        ASSERT_LT(i, codes.size());
        const std::string volts = l.substr(l.rfind(',') + 1);
        const double back = std::round(std::stod(volts) * 8388608.0 * gain / ref);
        ASSERT_EQ(back, codes[i]) << l << " ref " << ref << " gain " << gain;
      }
      EXPECT_EQ(i, codes.size());
    }
  }
}

class DescribeCaptureTest : public test::CaptureFixture {};

TEST_F(DescribeCaptureTest, HeaderComesFromTheChipTheImageAndTheWindow) {
  bench.chip.ModelName = "QX7401";
  bench.chip.PgaGain = {1, 2, 4, 8, 16, 32, 64, 128};
  bench.chip.AdgnGain = {1, 2, 0, 8};  // an entry 0 reads as 1
  bench.chip.AdcField("PGA") = {1, 3, 5, 3, true};
  bench.chip.AdcField("ADGN") = {1, 2, 3, 2, true};
  bench.chip.AdcField("FSRB") = {1, 1, 2, 1, true};
  bench.chip.AdcField("OSR") = {3, 3, 5, 2, true};
  bench.chip.AdcField("HS") = {3, 1, 4, 1, true};
  bench.chip.AdcField("LDO") = {0x104, 2, 5, 0, true};
  bench.chip.AdcField("TS") = {2, 1, 3, 0, false};  // not declared: its register is not listed
  bench.target.RegImage[1] = 0x74;
  bench.target.RegImage[3] = 0x50;
  bench.target.RegImage[0x104] = 0xA5;
  bench.settings.EREFV = "abc";
  bench.settings.CMAVR = 3;
  capture.TXScaleChange(14);  // 22 bits

  const CaptureSettings s =
      DescribeCapture(capture, false, bench.chip, bench.target, bench.settings, "T");
  EXPECT_EQ(s.chipName, "QX7401");
  EXPECT_EQ(s.linkKind, 5);
  EXPECT_EQ(s.linkName, "QX740x");
  ASSERT_EQ(s.registers.size(), 3u);
  EXPECT_EQ(s.registers[0].address, 1);
  EXPECT_EQ(s.registers[0].value, 0x74);
  EXPECT_EQ(s.registers[1].address, 3);
  EXPECT_EQ(s.registers[2].address, 0x104);
  EXPECT_EQ(s.registers[2].value, 0xA5);
  EXPECT_EQ(s.gain.pga, 8);
  EXPECT_EQ(s.gain.adgn, 1);
  EXPECT_EQ(s.gain.fsrb, 2);
  EXPECT_EQ(s.totalGain, 16);
  EXPECT_EQ(s.totalGain, capture.GetGain());
  EXPECT_EQ(s.referenceText, "abc");
  EXPECT_EQ(s.referenceVolts, 1.2);
  ASSERT_TRUE(s.outputRateSps);
  EXPECT_EQ(*s.outputRateSps, 1920);
  EXPECT_EQ(s.bits, 22);
  EXPECT_EQ(s.averaging, 8);
  EXPECT_FALSE(s.complete);

  // A given gain (a recorded stream's) is the one of the volts; a chip without OSR has no rate.
  capture.gainOverride = 2.5;
  bench.chip.AdcFields.erase("OSR");
  bench.target.LinkKind = 9;
  const CaptureSettings o =
      DescribeCapture(capture, true, bench.chip, bench.target, bench.settings, "T");
  EXPECT_EQ(o.totalGain, 2.5);
  EXPECT_FALSE(o.outputRateSps);
  EXPECT_EQ(o.linkName, "unknown");
}

TEST_F(DescribeCaptureTest, ExportOfACaptureIsWrittenWhole) {
  capture.NPointIndexChange(0);
  capture.TXScaleChange(15);
  std::vector<uint32_t> stream(64, 0xFFFFFF);
  stream[0] = 0x800000;
  Queue(stream);
  capture.halving = true;
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeInterrupt));
  const std::string text = CaptureExportText(
      DescribeCapture(capture, true, bench.chip, bench.target, bench.settings, "T"),
      capture.StreamedCodes());
  EXPECT_NE(text.find("# samples: 64\r\n"), std::string::npos);
  EXPECT_NE(text.find("index,code,volts\r\n0,-8388608,-2.400000000e+00\r\n1,-1,"),
            std::string::npos);
  EXPECT_NE(text.find("\r\n63,-1,-2.861022949e-07\r\n"), std::string::npos);

  qx::test::TempDir dir("qx_capture_export");
  const auto path = dir.Path() / "capture.csv";
  std::string error;
  ASSERT_TRUE(WriteCaptureExport(path, text, error)) << error;
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
  EXPECT_FALSE(WriteCaptureExport(dir.Path() / "missing" / "capture.csv", text, error));
  EXPECT_NE(error, "");
}

/// Sets TZ for the test and puts the old one back.
class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    if (old) saved_ = old;
    hadZone_ = old != nullptr;
  }
  void TearDown() override {
    if (hadZone_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  static std::string At(const char* zone, std::time_t t) {
    setenv("TZ", zone, 1);
    tzset();
    return IsoLocalTime(std::chrono::system_clock::from_time_t(t));
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

TEST_F(ZoneTest, IsoLocalTimeCarriesTheOffsetWithItsColon) {
  EXPECT_EQ(At("UTC0", 0), "1970-01-01T00:00:00+00:00");
  EXPECT_EQ(At("<+0530>-5:30", 0), "1970-01-01T05:30:00+05:30");
  EXPECT_EQ(At("<-03>3", 86399), "1970-01-01T20:59:59-03:00");
}

}  // namespace
}  // namespace qx::analysis

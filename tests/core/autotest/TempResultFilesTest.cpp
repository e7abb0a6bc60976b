#include "core/autotest/TempResultFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "support/TempDir.h"

namespace qx::autotest {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// The names in `dir`, sorted.
std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

analysis::NoiseResult Noise(analysis::NoiseFigures adc, analysis::NoiseFigures temp = {}) {
  analysis::NoiseResult n;
  n.groups = {adc, temp};
  return n;
}

const analysis::NoiseResult kFirst = Noise({8388608.5, 1234.567, 187.25, 19.876, 52, 7.9, 17.3},
                                           {2100.75, 950, 140.5, 12.3, 40, 6.1, 9.25});

/// `n` sample codes 100, 101, ...
std::vector<double> Codes(int n) {
  std::vector<double> codes;
  for (int i = 0; i < n; ++i) codes.push_back(100 + i);
  return codes;
}

/// Two points (-40 °C dry, 25.5 °C at 60 %) and two modes; point 2 mode 2 never measured.
TempResults TwoByTwo() {
  TempResults r;
  r.Resize(2, 2);
  r.SetTarget(1, -40, 0);
  r.SetTarget(2, 25.5, 60);
  r.SetStats(1, 1, kFirst);
  r.SetStats(1, 2, Noise({-12.5, 0.004, 0.006, 0, 1, 0.5, 23}));
  r.SetStats(2, 1, Noise({100, 200, 300, 400, 500, 600, 700}));
  r.SetMeter(0, 1, 1, 1.5, "mV");
  r.SetMeter(5, 1, 1, -0.000123, "VDC");
  r.SetMeter(2, 2, 2, 123456.123456789, "Ohm");
  return r;
}

TEST(TempResultText, SummaryCarriesTemperatureHumidityAndComparisonValue) {
  EXPECT_EQ(temp_text::Summary(TwoByTwo(), 2, 2, "溫度", "濕度"),
            ", , , Test #0, , , \r\n"
            "溫度, 濕度,  ,平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), "
            "Noise Free, 比較值\r\n"
            "-40.00, 0.00, 1, 8388608.50, 1234.57, 187.25, 19.88, 52.00, 7.90, 17.30,0\r\n"
            "-40.00, 0.00, 2, -12.50, 0.00, 0.01, 0.00, 1.00, 0.50, 23.00,0\r\n"
            "25.50, 60.00, 1, 100.00, 200.00, 300.00, 400.00, 500.00, 600.00, 700.00,0\r\n"
            "25.50, 60.00, 2, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00,0\r\n");
}

TEST(TempResultText, ResultsWithAndWithoutTemperatureChannel) {
  const TempResults r = TwoByTwo();
  EXPECT_EQ(temp_text::Results(r, 2, 2, false, 3),
            "Test #3, , , \r\n"
            " ,平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free, "
            "比較值\r\n"
            "1, 8388608.50, 1234.57, 187.25, 19.88, 52.00, 7.90, 17.30,0\r\n"
            "2, -12.50, 0.00, 0.01, 0.00, 1.00, 0.50, 23.00,0\r\n"
            "1, 100.00, 200.00, 300.00, 400.00, 500.00, 600.00, 700.00,0\r\n"
            "2, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00,0\r\n");
  EXPECT_EQ(temp_text::Results(r, 2, 2, true, 0),
            "Test #0, , , \r\n"
            " ,ADC-平均值, ADC-VPP(nV), ADC-RMS Noise(nV), ADC-Enob, ADC-VPP(count), "
            "ADC-RMS Noise(count), ADC-Noise Free, Temp-平均值, Temp-VPP(nV), "
            "Temp-RMS Noise(nV), Temp-Enob, Temp-VPP(count), Temp-RMS Noise(count), "
            "Temp-Noise Free, \r\n"
            "1, 8388608.50, 1234.57, 187.25, 19.88, 52.00, 7.90, 17.30, 2100.75, 950.00, 140.50, "
            "12.30, 40.00, 6.10, 9.25\r\n"
            "2, -12.50, 0.00, 0.01, 0.00, 1.00, 0.50, 23.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, "
            "0.00\r\n"
            "1, 100.00, 200.00, 300.00, 400.00, 500.00, 600.00, 700.00, 0.00, 0.00, 0.00, 0.00, "
            "0.00, 0.00, 0.00\r\n"
            "2, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, "
            "0.00\r\n");
}

TEST(TempResultText, MetersSixPerLineWithUnits) {
  EXPECT_EQ(temp_text::Meters(TwoByTwo(), 2, 2),
            ", , , Test #0, , , Test #1, , , Test #2, , , Test #3, , , Test #4, , , Test #5, , "
            "\r\n"
            "-40.00, 0.00, , 1, 1.5, mV, 1, 0, , 1, 0, , 1, 0, , 1, 0, , 1, -0.000123, VDC\r\n"
            "-40.00, 0.00, , 2, 0, , 2, 0, , 2, 0, , 2, 0, , 2, 0, , 2, 0, \r\n"
            "25.50, 60.00, , 1, 0, , 1, 0, , 1, 0, , 1, 0, , 1, 0, , 1, 0, \r\n"
            "25.50, 60.00, , 2, 0, , 2, 0, , 2, 123456.12345679, Ohm, 2, 0, , 2, 0, , 2, 0, \r\n");
}

// A mode whose capture failed, and a point no run reached, keep their lines with the figure
// fields empty, so a spreadsheet reads no number for them; a failed mode measured again is
// written as any measured mode.
TEST(TempResultText, FailedAndUnreachedModesHaveNoFigures) {
  TempResults r;
  r.Resize(2, 2);
  r.SetTarget(1, 20, 0);
  r.SetTarget(2, 30, 0);  // set when its first mode began, but no mode of it was recorded
  r.SetStats(1, 1, Noise({1, 2, 3, 4, 5, 6, 7}));
  r.SetStats(1, 2, Noise({1, 2, 3, 4, 5, 6, 7}));
  r.SetMeter(0, 1, 2, 1.5, "mV");
  r.SetMark(1, 2, TempResults::Mark::Failed);  // the meter was read, the capture failed
  EXPECT_EQ(temp_text::Summary(r, 2, 2, "T", "H"),
            ", , , Test #0, , , \r\nT, H,  ,\xE5\xB9\xB3\xE5\x9D\x87\xE5\x80\xBC, VPP(nV), "
            "RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free, "
            "\xE6\xAF\x94\xE8\xBC\x83\xE5\x80\xBC\r\n"
            "20.00, 0.00, 1, 1.00, 2.00, 3.00, 4.00, 5.00, 6.00, 7.00,0\r\n"
            "20.00, 0.00, 2, , , , , , , ,\r\n"
            ", , 1, , , , , , , ,\r\n"
            ", , 2, , , , , , , ,\r\n");
  const std::string results = temp_text::Results(r, 2, 2, false, 3);
  EXPECT_EQ(results.substr(results.find("\r\n1, ") + 2),
            "1, 1.00, 2.00, 3.00, 4.00, 5.00, 6.00, 7.00,0\r\n2, , , , , , , ,\r\n"
            "1, , , , , , , ,\r\n2, , , , , , , ,\r\n");
  const std::string both = temp_text::Results(r, 1, 2, true, 3);
  std::string empty14;
  for (int k = 0; k < 14; ++k) empty14 += ", ";
  EXPECT_EQ(both.substr(both.rfind("\r\n2, ") + 2), "2" + empty14 + "\r\n")
      << "every one of the fourteen fields empty";
  const std::string meters = temp_text::Meters(r, 1, 2);
  EXPECT_EQ(meters.substr(meters.rfind("\r\n20.00") + 2),
            "20.00, 0.00, , 2, , , 2, , , 2, , , 2, , , 2, , , 2, , \r\n");

  r.SetStats(1, 2, Noise({9, 9, 9, 9, 9, 9, 9}));
  EXPECT_NE(temp_text::Results(r, 1, 2, false, 3).find("2, 9.00, 9.00"), std::string::npos);
}

TEST(TempResultText, RawSamplesWithTemperatureChannelDropIncompleteGroups) {
  std::vector<double> adc = Codes(18);
  adc[1] = -3;
  std::vector<double> temp(17, 7);
  temp[15] = 65535;
  EXPECT_EQ(temp_text::RawSamples(adc, kFirst, true, temp),
            "100, -3, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, \r\n"
            "平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free, "
            "比較值\r\n"
            "8388608.50,1234.57,187.25,19.88,52.00,7.90,17.30,0\r\n"
            "7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 65535, \r\n"
            "Temp-平均值, Temp-VPP(nV), Temp-RMS Noise(nV), Temp-Enob, Temp-VPP(count), "
            "Temp-RMS Noise(count), Temp-Noise Free\r\n"
            "2100.75,950.00,140.50,12.30,40.00,6.10,9.25\r\n");
}

TEST(TempResultText, RawSamplesOfTheGridKeepTheLastPartialRow) {
  std::vector<double> adc = Codes(18);
  EXPECT_EQ(temp_text::RawSamples(adc, kFirst, false, {}),
            "100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, \r\n"
            "116, 117, \r\n"
            "平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free, "
            "比較值\r\n"
            "8388608.50,1234.57,187.25,19.88,52.00,7.90,17.30,0\r\n");
  // Exactly sixteen: one full line and no empty one after it.
  adc.resize(16);
  EXPECT_EQ(temp_text::RawSamples(adc, {}, false, {}).substr(0, 82 + 9),
            "100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, \r\n"
            "平均值");
}

TEST(TempResultText, MeterNumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {0.5, "0.5"},
      {-0.5, "-0.5"},
      {100, "100"},
      {12.34, "12.34"},
      {1.23456789012, "1.23456789"},
      {0.000000004, "0"},
      {-0.000000004, "0"},
      {0.000000005, "0.00000001"},
      {99999.99999999, "99999.99999999"},
      {1234567.5, "1234567.5"},
      {-273.15, "-273.15"},
      {nan, "NAN"},
      {-inf, "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(temp_text::MeterNumber(c.value), c.text) << c.value;
}

TEST(TempResultsArrays, ResizeKeepsWhatFitsAndBoundsAreSafe) {
  TempResults r;
  r.Resize(3, 4);
  r.SetStat(13, 2, 3, 4.5);
  r.SetMeter(5, 3, 4, 2.25, "mA");
  r.SetTarget(3, 20, 45);
  r.Resize(4, 5);
  EXPECT_EQ(r.Stat(13, 2, 3), 4.5);
  EXPECT_EQ(r.MeterValue(5, 3, 4), 2.25);
  EXPECT_EQ(r.MeterUnit(5, 3, 4), "mA");
  EXPECT_EQ(r.TargetTemp(3), 20);
  EXPECT_EQ(r.TargetHum(3), 45);
  EXPECT_EQ(r.Stat(13, 4, 5), 0);
  EXPECT_EQ(r.MeterUnit(5, 4, 5), "");

  r.Resize(3, 3);  // mode 4 goes, mode 3 stays
  EXPECT_EQ(r.Stat(13, 2, 3), 4.5);
  EXPECT_EQ(r.MeterValue(5, 3, 4), 0);
  r.Resize(3, 4);
  EXPECT_EQ(r.MeterUnit(5, 3, 4), "") << "a value dropped by shrinking does not come back";

  // Outside the arrays: reads give nothing, writes change nothing.
  for (auto [kind, point, mode] :
       {std::array{-1, 1, 1}, {14, 1, 1}, {0, 0, 1}, {0, 4, 1}, {0, 1, 0}, {0, 1, 5}}) {
    r.SetStat(kind, point, mode, 9);
    r.SetMeter(kind < 0 ? -1 : kind == 14 ? 6 : 0, point, mode, 9, "V");
    EXPECT_EQ(r.Stat(kind, point, mode), 0);
  }
  r.SetTarget(4, 1, 1);
  EXPECT_EQ(r.TargetTemp(4), 0);
  EXPECT_EQ(r.TargetHum(0), 0);
  for (int p = 1; p <= 3; ++p)
    for (int m = 1; m <= 4; ++m)
      for (int i = 0; i < TempResults::kMeters; ++i) EXPECT_EQ(r.MeterUnit(i, p, m), "");
}

TEST(TempResultsArrays, StatsTakeBothGroupsInOrder) {
  TempResults r;
  r.Resize(1, 1);
  r.SetStats(1, 1, kFirst);
  const double expected[] = {8388608.5, 1234.567, 187.25, 19.876, 52, 7.9, 17.3,
                             2100.75,   950,      140.5,  12.3,   40, 6.1, 9.25};
  for (int k = 0; k < TempResults::kKinds; ++k) EXPECT_EQ(r.Stat(k, 1, 1), expected[k]) << k;
}

TEST(TempResultsArrays, MeterArraysAppearWithTheFirstReadingAndUnitsAreKeptOnce) {
  constexpr size_t kStats = 30u * 10000u * 14u * sizeof(double);  // the statistics at the limits
  TempResults r;
  r.Resize(30, 10000);
  const size_t adcOnly = r.Bytes();
  EXPECT_GE(adcOnly, kStats);
  // Beside the statistics: the targets and one byte a mode for what it holds.
  EXPECT_LT(adcOnly, kStats + 30 * 2 * sizeof(double) + 30u * 10000u + 4096)
      << "an ADC-only run holds no meters";

  r.SetMeter(0, 1, 1, 1.5, "mV");
  const size_t withMeters = r.Bytes();
  EXPECT_GE(withMeters, adcOnly + 30u * 10000u * 6u * (sizeof(double) + 1));
  for (int m = 1; m <= 10000; ++m) r.SetMeter(2, 30, m, m, std::string(100, 'u'));
  EXPECT_LT(r.Bytes(), withMeters + 200) << "a unit text is kept once, not per reading";
  EXPECT_EQ(r.MeterUnit(0, 1, 1), "mV");
  EXPECT_EQ(r.MeterUnit(2, 30, 77), std::string(100, 'u'));
  EXPECT_EQ(r.MeterValue(2, 30, 77), 77);

  r.Resize(5, 48);
  EXPECT_LT(r.Bytes(), 5u * 48u * 200u + 4096) << "shrinking gives the memory back";
  EXPECT_EQ(r.MeterUnit(0, 1, 1), "mV");
}

class TempResultWriterTest : public ::testing::Test {
 protected:
  test::TempDir dir_{"qx_tempwriter"};
  /// Stands for the code-page encoder: the file must hold its output, not the text given.
  TempResultWriter writer_{dir_.Path(),
                           [](std::string_view s) { return "<" + std::string(s) + ">"; }};
  std::string error_;
};

TEST_F(TempResultWriterTest, WritesEncodedAndReplacesWhole) {
  std::ofstream(dir_.Path() / kTempResultFile) << "an older and much longer file";
  EXPECT_EQ(writer_.Write(kTempResultFile, kTempResultFallback, "a,b\r\n", error_),
            kTempResultFile);
  EXPECT_EQ(ReadAll(dir_.Path() / kTempResultFile), "<a,b\r\n>");
  EXPECT_EQ(Names(dir_.Path()), std::vector<std::string>{kTempResultFile})
      << "no fallback and no temporary file left";
}

TEST_F(TempResultWriterTest, FallsBackToTheSecondName) {
  std::filesystem::create_directory(dir_.Path() / kTempMeterFile);
  EXPECT_EQ(writer_.Write(kTempMeterFile, kTempMeterFallback, "x", error_), kTempMeterFallback);
  EXPECT_EQ(ReadAll(dir_.Path() / kTempMeterFallback), "<x>");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / kTempMeterFile));
}

TEST_F(TempResultWriterTest, FailsWhenNeitherNameCanBeWritten) {
  std::filesystem::create_directory(dir_.Path() / kTempResultFile);
  std::filesystem::create_directory(dir_.Path() / kTempResultFallback);
  EXPECT_EQ(writer_.Write(kTempResultFile, kTempResultFallback, "x", error_), "");
  EXPECT_NE(error_.find(kTempResultFallback), std::string::npos) << error_;

  error_.clear();
  std::filesystem::create_directory(dir_.Path() / kTempSummaryFile);
  EXPECT_EQ(writer_.Write(kTempSummaryFile, "", "x", error_), "");
  EXPECT_NE(error_.find(kTempSummaryFile), std::string::npos) << error_;
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() / kTempSummaryFile));
  EXPECT_EQ(Names(dir_.Path()),
            (std::vector<std::string>{kTempSummaryFile, kTempResultFile, kTempResultFallback}));
}

TEST_F(TempResultWriterTest, RawFilesGoToTheTempFolder) {
  ASSERT_TRUE(writer_.WriteRaw(0, "r0", error_)) << error_;
  ASSERT_TRUE(writer_.WriteRaw(12, "r12", error_)) << error_;
  EXPECT_EQ(ReadAll(dir_.Path() / "TEMP" / "QxTMP-0.CSV"), "<r0>");
  EXPECT_EQ(ReadAll(dir_.Path() / "TEMP" / "QxTMP-12.CSV"), "<r12>");
}

TEST_F(TempResultWriterTest, RawFileWithoutTempFolderSaysCannotCreate) {
  std::ofstream(dir_.Path() / "TEMP") << "a file in the way";
  EXPECT_FALSE(writer_.WriteRaw(1, "r", error_));
  EXPECT_EQ(error_, "Cannot create " + (dir_.Path() / "TEMP").string());
  EXPECT_EQ(ReadAll(dir_.Path() / "TEMP"), "a file in the way");
}

}  // namespace
}  // namespace qx::autotest

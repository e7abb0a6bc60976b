#include "core/autotest/StepFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/autotest/SwitchCsv.h"
#include "support/TempDir.h"

namespace qx::autotest {
namespace {

StepSettings Sample() {
  StepSettings s;
  s.stepLenIndex = 6;
  s.loopIndex = 8;
  s.enabled = {true, false, true, false, false, false, false, true};
  for (size_t ch = 0; ch < kChannels; ++ch)
    for (size_t i = 0; i < kChannelRegisters; ++i)
      s.values[ch][i] = static_cast<uint8_t>(ch * 30 + i);
  s.values[7][10] = 255;
  s.currentStep = 7;
  return s;
}

TEST(StepFile, WritesFourCharacterFieldsAndReadsThemBack) {
  const std::string text = StepFile::Text(Sample());
  EXPECT_EQ(text.substr(0, 64),
            "   6   8\r\n   1   0   1   0   0   0   0   1\r\n  49  50  55  60  61");
  EXPECT_NE(text.find("\r\n 210 211 212 213 214 215 216 217 218 219 255\r\n   7\r\n"),
            std::string::npos);
  StepSettings back;
  const auto r = StepFile::Read(text, back);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(StepFile::Text(back), text);
}

TEST(StepFile, BadLinesKeepTheirGroupAndNameTheFirstLine) {
  std::string text = StepFile::Text(Sample());
  // Line 1 with a loop index past the list, line 5 with a non-number.
  text.replace(0, 8, "   6   9");
  const size_t line5 = [&] {
    size_t at = 0;
    for (int i = 0; i < 4; ++i) at = text.find("\r\n", at) + 2;
    return at;
  }();
  text.replace(line5, 4, "  xy");
  StepSettings s;
  s.loopIndex = 3;
  s.values[1][0] = 99;
  const auto r = StepFile::Read(text, s);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(r.badLine, 1);
  EXPECT_EQ(r.message, "StepADC.txt line 1: not valid, kept the previous values");
  EXPECT_EQ(s.loopIndex, 3);
  EXPECT_EQ(s.stepLenIndex, kDefaultStepLenIndex);
  EXPECT_EQ(s.values[1][0], 99);
  EXPECT_EQ(s.values[2][0], 60);  // later lines still load
  EXPECT_EQ(s.currentStep, 7);

  StepSettings shortFile;
  const auto cut = StepFile::Read("   1   2\r\n   1   1   0   0   0   0   0   0\r\n", shortFile);
  EXPECT_EQ(cut.badLine, 3);
  EXPECT_EQ(shortFile.loopIndex, 2);
  EXPECT_TRUE(shortFile.enabled[1]);

  StepSettings stepPast;
  std::string step8 = StepFile::Text(Sample());
  step8.replace(step8.size() - 6, 4, "   8");
  EXPECT_EQ(StepFile::Read(step8, stepPast).badLine, 12);
  EXPECT_EQ(stepPast.currentStep, 0);
}

TEST(SwitchCsv, HeaderAndRows) {
  ChannelRecord r;
  r.StepLen = 1;
  r.LoopCount = 2;
  r.Samples[0] = -5;
  r.Samples[1] = 7;
  r.Measured = 2;
  EXPECT_EQ(SwitchCsv::Text(r), "  , Data 0\r\n1, -5\r\n2, 7\r\n");
  // What the last run did not read is no 0 reading: an empty field.
  r.StepLen = 3;
  r.LoopCount = 1;
  EXPECT_EQ(SwitchCsv::Text(r), "  , Data 0, Data 1, Data 2\r\n1, -5, 7, \r\n");
  r.Measured = 0;
  EXPECT_EQ(SwitchCsv::Text(r), "  , Data 0, Data 1, Data 2\r\n1, , , \r\n");
}

TEST(SwitchCsv, ASetIsReplacedWholeOrNotAtAll) {
  test::TempDir dir("qx_switch_csv");
  std::array<ChannelRecord, kChannels> records;
  for (size_t k = 0; k < kChannels; ++k) {
    records[k].Samples[0] = static_cast<int32_t>(k);
    records[k].Measured = 1;
  }
  ASSERT_TRUE(SwitchCsv::WriteAll(dir.Path(), records).ok);
  auto read = [&](int k) {
    std::ifstream in(dir.Path() / SwitchCsv::FileName(k), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read(7).substr(0, 37), "  , Data 0, Data 1, Data 2, Data 3\r\n1");

  // File 3's name is taken by a folder: no file of the set changes, no temporary file stays.
  std::filesystem::remove(dir.Path() / "QxADCSW3.CSV");
  std::filesystem::create_directory(dir.Path() / "QxADCSW3.CSV");
  for (auto& r : records) r.Samples[0] = 1000;
  const auto outcome = SwitchCsv::WriteAll(dir.Path(), records);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.failedFile, 3);
  EXPECT_EQ(outcome.error, "Please Close QxADCSW3.CSV !!!!");
  EXPECT_NE(read(0).find("\r\n1, 0, , , \r\n"), std::string::npos);
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

}  // namespace
}  // namespace qx::autotest

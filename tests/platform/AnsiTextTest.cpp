#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "core/autotest/TempResultFiles.h"
#include "support/TempDir.h"

namespace qx::platform {
namespace {

TEST(AnsiText, Big5BytesOfTheResultHeaders) {
  const struct {
    const char* utf8;
    std::string big5;
  } cases[] = {
      {"平均值", "\xA5\xAD\xA7\xA1\xAD\xC8"},
      {"溫度", "\xB7\xC5\xAB\xD7"},
      {"濕度", "\xC0\xE3\xAB\xD7"},
      {"比較值", "\xA4\xF1\xB8\xFB\xAD\xC8"},
      {"Temp-平均值, ", "Temp-\xA5\xAD\xA7\xA1\xAD\xC8, "},
      {"Test #0, , , \r\n", "Test #0, , , \r\n"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToCodePage950(c.utf8), c.big5) << c.utf8;
}

TEST(AnsiText, WhatBig5CannotHoldBecomesQuestionMarks) {
  const struct {
    std::string utf8;
    std::string big5;
  } cases[] = {
      {"a\xE2\x98\x83z", "a?z"},            // U+2603 snowman: no Big5 code
      {"\xF0\x9F\x98\x80度", "?\xAB\xD7"},  // U+1F600: four bytes, one '?'
      {"A\xFF\xFE"
       "B",
       "A??B"},  // bytes that are never UTF-8
      {"\xC0\xAF!",
       "?"
       "?!"},                        // overlong '/'
      {"度\xE5\xB9", "\xAB\xD7??"},  // cut off at the end
      {"\xB9平", "?\xA5\xAD"},       // stray continuation byte
  };
  for (const auto& c : cases) EXPECT_EQ(ToCodePage950(c.utf8), c.big5) << c.utf8;
}

TEST(AnsiText, LongTextAcrossConversionBuffersAndThreads) {
  std::string utf8;
  std::string big5;
  for (int i = 0; i < 500; ++i) {
    utf8 += "平均值,";
    big5 += "\xA5\xAD\xA7\xA1\xAD\xC8,";
  }
  std::vector<std::thread> threads;
  std::vector<std::string> results(4);
  for (size_t t = 0; t < results.size(); ++t)
    threads.emplace_back([&, t] { results[t] = ToCodePage950(utf8); });
  for (auto& th : threads) th.join();
  for (const auto& r : results) EXPECT_EQ(r, big5);
}

TEST(AnsiText, ResultFileOnDiskIsBig5) {
  test::TempDir dir("qx_ansitext");
  const autotest::TempResultWriter writer(dir.Path(), ToCodePage950);
  autotest::TempResults r;
  r.Resize(1, 1);
  r.SetStat(0, 1, 1, 0);  // a measured mode: an unmeasured one has no figures to write
  std::string error;
  ASSERT_EQ(writer.Write(autotest::kTempResultFile, autotest::kTempResultFallback,
                         autotest::temp_text::Results(r, 1, 1, false, 0), error),
            autotest::kTempResultFile)
      << error;
  std::ifstream in(dir.Path() / autotest::kTempResultFile, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "Test #0, , , \r\n"
            " ,\xA5\xAD\xA7\xA1\xAD\xC8, VPP(nV), RMS Noise(nV), Enob, VPP(count), "
            "RMS Noise(count), Noise Free, \xA4\xF1\xB8\xFB\xAD\xC8\r\n"
            "1, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00, 0.00,0\r\n");
}

}  // namespace
}  // namespace qx::platform

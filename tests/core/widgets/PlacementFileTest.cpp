#include "core/widgets/PlacementFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/FileBytes.h"

#include "support/TempDir.h"

namespace qx::widgets {
namespace {

Placement Record(const std::string& name, int32_t left, int32_t top, int32_t width, int32_t height,
                 WindowState state, bool visible) {
  return Placement{name, left, top, width, height, state, visible};
}

TEST(PlacementFileTest, RendersVersionCountAndFiveCharacterFields) {
  PlacementRecords t;
  t.Store(Record("TMainPanel", 10, -8, 1024, 700, WindowState::Maximized, true));
  t.Store(Record("TQx_RAM", 500, 40, 300, 200, WindowState::Minimized, false));
  EXPECT_EQ(PlacementFile::Render(t),
            "1.10\r\n2\r\n"
            "TMainPanel\r\n   10   -8 1024  700    1    1\r\n"
            "TQx_RAM\r\n  500   40  300  200    2    0\r\n");
}

TEST(PlacementFileTest, RoundTripKeepsEveryField) {
  PlacementRecords t;
  t.Store(Record("TMainPanel", 12, 34, 800, 600, WindowState::Normal, true));
  t.Store(Record("TAnxADC", -20, 5, 714, 277, WindowState::Minimized, false));
  t.Store(Record("TTMP", 9999, -999, 1, 2, WindowState::Maximized, true));
  PlacementRecords back;
  ASSERT_TRUE(PlacementFile::Parse(PlacementFile::Render(t), back));
  EXPECT_EQ(back.Records(), t.Records());
}

TEST(PlacementFileTest, NumbersTooWideForTheirFieldAreClampedSoTheLineStaysReadable) {
  PlacementRecords t;
  t.Store(Record("W", 123456, -12345, 100, 100, WindowState::Normal, true));
  PlacementRecords back;
  ASSERT_TRUE(PlacementFile::Parse(PlacementFile::Render(t), back));
  ASSERT_EQ(back.Size(), 1u);
  EXPECT_EQ(back.Records()[0].Left, 9999);
  EXPECT_EQ(back.Records()[0].Top, -999);
  EXPECT_EQ(back.Records()[0].Width, 100);
}

TEST(PlacementFileTest, RejectsAnyOtherVersionLine) {
  for (const char* text : {"1.1\r\n0\r\n", "1.10x\r\n0\r\n", "", "\x01\x02\x03", "2.00\r\n0\r\n"}) {
    PlacementRecords t;
    EXPECT_FALSE(PlacementFile::Parse(text, t)) << text;
    EXPECT_EQ(t.Size(), 0u);
  }
}

TEST(PlacementFileTest, DamagedRecordKeepsTheRecordsBeforeIt) {
  const std::string text =
      "1.10\r\n3\r\n"
      "A\r\n    1    2    3    4    0    1\r\n"
      "B\r\n    1    2   x3    4    0    1\r\n"
      "C\r\n    1    2    3    4    0    1\r\n";
  PlacementRecords t;
  EXPECT_FALSE(PlacementFile::Parse(text, t));
  ASSERT_EQ(t.Size(), 1u);
  EXPECT_EQ(t.Records()[0].Name, "A");
}

TEST(PlacementFileTest, TruncatedFileAndBadCountsFail) {
  const std::string full =
      "1.10\r\n2\r\nA\r\n    1    2    3    4    0    1\r\nB\r\n    5    6    7    8    2    0\r\n";
  for (size_t cut = 0; cut < full.size() - 2; ++cut) {
    PlacementRecords t;
    PlacementFile::Parse(full.substr(0, cut), t);
    EXPECT_LE(t.Size(), 2u);
  }
  PlacementRecords t;
  EXPECT_FALSE(
      PlacementFile::Parse("1.10\r\n2\r\nA\r\n    1    2    3    4    0    1\r\nB\r\n", t));
  EXPECT_EQ(t.Size(), 1u);
  for (const char* count : {"-1", "x", "", "99999999999"}) {
    PlacementRecords u;
    EXPECT_FALSE(PlacementFile::Parse(std::string("1.10\r\n") + count + "\r\n", u)) << count;
  }
}

TEST(PlacementFileTest, ReadsAtMostFortyRecordsAndMapsUnknownStatesToNormal) {
  std::string text = "1.10\r\n45\r\n";
  for (int i = 0; i < 45; ++i)
    text += "W" + std::to_string(i) + "\r\n    1    2    3    4    " + std::to_string(i % 4) +
            "    1\r\n";
  PlacementRecords t;
  EXPECT_TRUE(PlacementFile::Parse(text, t));
  ASSERT_EQ(t.Size(), 40u);
  EXPECT_EQ(t.Records()[39].Name, "W39");
  EXPECT_EQ(t.Records()[1].State, WindowState::Maximized);
  EXPECT_EQ(t.Records()[2].State, WindowState::Minimized);
  EXPECT_EQ(t.Records()[3].State, WindowState::Normal);
}

TEST(PlacementRecordsTest, StoresByNameAndRemembersAtMostForty) {
  PlacementRecords t;
  for (int i = 0; i < 41; ++i)
    EXPECT_EQ(t.Store(Record("F" + std::to_string(i), i, 0, 10, 10, WindowState::Normal, true)),
              i < 40);
  EXPECT_EQ(t.Size(), 40u);
  EXPECT_EQ(t.Find("F40"), nullptr);
  EXPECT_TRUE(t.Store(Record("F3", 77, 0, 10, 10, WindowState::Normal, false)));
  EXPECT_EQ(t.Size(), 40u);
  ASSERT_NE(t.Find("F3"), nullptr);
  EXPECT_EQ(t.Find("F3")->Left, 77);
}

TEST(PlacementFileTest, PathReplacesTheProgramFileExtension) {
  EXPECT_EQ(PlacementFile::PathFor("/opt/qx/bin/qxpanel", ""), "/opt/qx/bin/qxpanel.wst");
  EXPECT_EQ(PlacementFile::PathFor("/opt/qx/QxADC.exe", "wst"), "/opt/qx/QxADC.wst");
  EXPECT_EQ(PlacementFile::PathFor("/opt/qx/QxADC.exe", "pos"), "/opt/qx/QxADC.pos");
}

TEST(PlacementFileTest, SaveAndLoadThroughTheDisk) {
  test::TempDir temp("qx_placement");
  const auto& dir = temp.Path();
  const auto path = dir / "qxpanel.wst";
  PlacementRecords t;
  t.Store(Record("TMainPanel", 1, 2, 3, 4, WindowState::Normal, true));
  std::string error;
  ASSERT_TRUE(PlacementFile::Save(path, t, error)) << error;
  PlacementRecords back;
  EXPECT_TRUE(PlacementFile::Load(path, back));
  EXPECT_EQ(back.Records(), t.Records());
  PlacementRecords none;
  std::string problem;
  EXPECT_FALSE(PlacementFile::Load(dir / "missing.wst", none, &problem));
  EXPECT_EQ(problem, "") << "no file yet is no problem";

  const auto large = dir / "large.wst";
  { std::ofstream(large, std::ios::binary) << std::string(PlacementFile::kMaxBytes + 1, ' '); }
  EXPECT_FALSE(PlacementFile::Load(large, none, &problem));
  EXPECT_EQ(problem, large.string() + ": larger than 65536 bytes, not read");
}

}  // namespace
}  // namespace qx::widgets

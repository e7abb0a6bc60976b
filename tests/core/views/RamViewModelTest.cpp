#include "core/views/RamViewModel.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ViewsTestSupport.h"
#include "core/views/RamFile.h"

namespace qx::views {
namespace {

using test::FakePort;
using Writes = std::vector<std::pair<int, int>>;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) break;
    out.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

class RamViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadChip(chip, test::kBankedChip); }
  chip::ChipModel chip;
  FakePort port;
  int bank = 0;
  RamViewModel model{chip, port, bank};
};

TEST_F(RamViewModelTest, HeadersAddressesAndUnimplementedCells) {
  model.SelectBank(1);
  EXPECT_EQ(bank, 1);
  EXPECT_EQ(model.Text(0, 3), "120");
  EXPECT_EQ(model.Text(5, 0), "4");
  EXPECT_EQ(model.Text(16, 0), "F");
  EXPECT_EQ(model.Address(5, 3), 0x124);
  EXPECT_EQ(model.Address(0, 3), -1);
  EXPECT_EQ(model.Text(5, 3), "-") << "0x124 is in the register range, no register there";
  port.image[0x180] = 0x3C;
  model.RefreshRam(false);
  EXPECT_EQ(model.Text(1, 9), "3C");
  EXPECT_EQ(model.BankButton(1), (ButtonLook{true, colour::kYellow}));
  EXPECT_EQ(model.BankButton(0), ButtonLook{});
  EXPECT_TRUE(model.BankVisible(3));
  EXPECT_FALSE(model.BankVisible(4)) << "the chip has no fifth bank";
  model.SelectBank(4);
  EXPECT_EQ(model.Text(0, 1), "400");
  EXPECT_EQ(model.Text(1, 1), "-") << "beyond the image";
  model.SelectBank(7);
  EXPECT_EQ(bank, 4);
}

TEST_F(RamViewModelTest, ChangesAreColouredOnceAndOutsideRegistersTracked) {
  port.image[0x80] = 0x11;
  model.RefreshRam(false);
  EXPECT_EQ(model.Look(1, 9), (CellLook{colour::kBlue, colour::kWhite}));
  EXPECT_EQ(chip.LastValue[0x80], 0x11);
  model.RefreshRam(false);
  EXPECT_EQ(model.Look(1, 9), (CellLook{colour::kWhite, colour::kBlack}));
  port.image[0x80] = 0x12;
  model.RefreshRam(true);
  EXPECT_FALSE(chip.Changed[0x80]);

  // Inside the register ranges the register view keeps LastValue.
  port.image[0x29] = 0x77;
  model.RefreshRam(false);
  EXPECT_TRUE(chip.Changed[0x29]);
  EXPECT_EQ(chip.LastValue[0x29], 0);
  EXPECT_EQ(model.Look(0, 1), (CellLook{colour::kButtonFace, colour::kBlack}));
}

TEST_F(RamViewModelTest, EditsWriteToTheShownBank) {
  model.SelectBank(2);
  EXPECT_FALSE(model.DoubleClick(1, 1)) << "0x200 is not implemented";
  EXPECT_EQ(model.DoubleClick(1, 9),
            (HexRequest{"Ram0280=00", "FF", "00~FF", {WriteTarget::Kind::Byte, 0x280, 0}}));
  for (char c : std::string("4a\r")) EXPECT_TRUE(model.TypeKey(1, 9, c));
  EXPECT_EQ(port.writes, (Writes{{0x280, 0x4A}}));
  model.TypeKey(2, 9, '7');
  EXPECT_TRUE(model.EditPending());
  model.CommitPending();
  EXPECT_EQ(port.writes.back(), (std::pair<int, int>{0x281, 0x07}));
  EXPECT_FALSE(model.TypeKey(1, 1, '5'));
  EXPECT_EQ(model.Text(1, 1), "-");
  EXPECT_FALSE(model.TypeKey(3, 9, 'g'));
  model.Commit(model.DoubleClick(16, 16)->target, 0xEE);
  EXPECT_EQ(port.writes.back(), (std::pair<int, int>{0x2FF, 0xEE}));
}

TEST_F(RamViewModelTest, MarksAndHints) {
  model.SetMark(1, 9, 0x112233);
  EXPECT_EQ(model.Look(1, 9), (CellLook{0x112233, colour::kWhite}));
  EXPECT_EQ(model.Marks()[0x80].colour, 0x332211u) << "kept as the file's colour number";
  model.SetMark(1, 1, 0x112233);  // 0x000 is IND0: implemented
  model.SetMark(2, 1, 0x112233);  // 0x001: not implemented
  EXPECT_TRUE(model.Marks()[0x00].mark);
  EXPECT_FALSE(model.Marks()[0x01].mark);
  model.ResetMark(1, 9, 0x0000FF);
  EXPECT_FALSE(model.Marks()[0x80].mark);
  EXPECT_EQ(model.Marks()[0x80].colour, 0xFF0000u);
  model.ResetAllMarks();
  EXPECT_FALSE(model.Marks()[0x00].mark);
}

TEST_F(RamViewModelTest, RamFileRoundTripWithMarksAndHints) {
  port.image[0x00] = 0xAB;
  port.image[0x80] = 0x5C;
  port.image[0x1FF] = 0x01;
  model.SelectBank(3);  // the file still holds 0..511
  std::vector<std::string> lines = Lines(model.SaveText());
  ASSERT_EQ(lines.size(), 2048u);
  EXPECT_EQ(lines[0], "AB");
  EXPECT_EQ(lines[1], "-");
  EXPECT_EQ(lines[0x80], "5C");
  EXPECT_EQ(lines[511], "01");
  EXPECT_EQ(lines[512], " 0 0");
  EXPECT_EQ(lines[513], "8421504") << "gray";
  // A marked cell with an empty hint, and a hinted one.
  lines[512 + 3 * 0x80] = " 1 1";
  lines[512 + 3 * 0x80 + 1] = "255";
  lines[512 + 3 * 0x81] = " 0 1";
  lines[512 + 3 * 0x81 + 2] = "timer reload";

  FakePort other;
  int otherBank = 0;
  RamViewModel loaded(chip, other, otherBank);
  EXPECT_EQ(loaded.LoadText(Join(lines)), "");
  EXPECT_EQ(other.stores, 512);
  EXPECT_EQ(other.image[0x00], 0xAB);
  EXPECT_EQ(other.image[0x80], 0x5C);
  EXPECT_TRUE(other.writes.empty()) << "loading never writes the target";
  EXPECT_EQ(loaded.Look(1, 9), (CellLook{0xFF0000, colour::kWhite, true}));
  EXPECT_EQ(loaded.Look(2, 9), (CellLook{colour::kWhite, colour::kBlack, true}));
  EXPECT_EQ(loaded.Tip(2, 9), "timer reload");
  EXPECT_EQ(Lines(loaded.SaveText()), lines);

  loaded.ResetHint(2, 9);
  EXPECT_EQ(loaded.Marks()[0x81], RamCellMarks{});
  loaded.ResetAllHints();
  EXPECT_FALSE(loaded.Marks()[0x80].hint);
  EXPECT_TRUE(loaded.Marks()[0x80].mark);
}

struct BadFile {
  const char* name;
  int cut;   ///< keep this many lines (-1: all)
  int line;  ///< replace this line (0-based; -1: none)
  const char* text;
  int values;         ///< values that reach the image
  int groups;         ///< mark groups that are taken
  const char* error;  ///< part of the message
};

class RamFileBadInput : public ::testing::TestWithParam<BadFile> {};

TEST_P(RamFileBadInput, StopsWithAClearErrorAndKeepsWhatWasRead) {
  const BadFile& b = GetParam();
  std::vector<std::string> lines(512, "7F");
  for (int a = 0; a < 512; ++a) {
    lines.push_back(" 1 0");
    lines.push_back("255");
    lines.push_back("h");
  }
  if (b.line >= 0) lines[static_cast<size_t>(b.line)] = b.text;
  if (b.cut >= 0) lines.resize(static_cast<size_t>(b.cut));
  const RamFile::Contents c = RamFile::Parse(Join(lines));
  EXPECT_EQ(c.values, b.values);
  EXPECT_EQ(c.groups, b.groups);
  EXPECT_NE(c.error.find(b.error), std::string::npos) << c.error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RamFileBadInput,
    ::testing::Values(BadFile{"Empty", 0, -1, "", 0, 0, "ends after line 0"},
                      BadFile{"ShortValues", 300, -1, "", 300, 0, "ends after line 300"},
                      BadFile{"ShortGroups", 512 + 3 * 10 + 2, -1, "", 512, 10,
                              "hint text line is missing"},
                      BadFile{"NonHex", -1, 4, "ZZ", 4, 0, "line 5: \"ZZ\""},
                      BadFile{"ThreeDigits", -1, 4, "100", 4, 0, "line 5:"},
                      BadFile{"Flags", -1, 512 + 3, "garbage", 512, 1, "line 516: expected"},
                      BadFile{"Colour", -1, 512 + 4, "16777216", 512, 1, "line 517: bad colour"},
                      BadFile{"NegativeColour", -1, 512 + 1, "-5", 512, 0, "bad colour"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(RamViewModelTest, ShortFileKeepsTheValuesItHad) {
  std::string text;
  for (int a = 0; a < 100; ++a) text += "11\n";  // LF only is read as well
  const std::string error = model.LoadText(text);
  EXPECT_NE(error.find("ends after line 100"), std::string::npos) << error;
  EXPECT_EQ(port.image[0x00], 0x11);
  EXPECT_EQ(port.image[0x01], 0x00) << "unimplemented cells load as 0";
  EXPECT_EQ(port.image[100], 0x00);
  EXPECT_EQ(port.stores, 100);
}

TEST_F(RamViewModelTest, SheetCellsFollowTheExportLayout) {
  port.image[0x80] = 0x5A;
  const auto cells = model.SheetCells();
  ASSERT_EQ(cells.size(), 1024u);
  EXPECT_EQ(cells[0], (RamSheetCell{3, 3, true, 0, ""}));  // IND0 reads 0
  EXPECT_EQ(cells[1], (RamSheetCell{3, 20, false, 0, "00h"}));
  EXPECT_EQ(cells[2], (RamSheetCell{3, 4, false, 0, "-"}));
  EXPECT_EQ(cells[2 * 0x80], (RamSheetCell{11, 3, true, 0x5A, ""}));
  EXPECT_EQ(cells[2 * 0x80 + 1], (RamSheetCell{11, 20, false, 0, "5Ah"}));
  EXPECT_EQ(cells.back(), (RamSheetCell{34, 35, false, 0, "00h"}));
}

}  // namespace
}  // namespace qx::views

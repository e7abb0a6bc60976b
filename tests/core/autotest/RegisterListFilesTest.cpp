#include "core/autotest/RegisterListFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/RecordingHost.h"
#include "support/TempDir.h"

namespace qx::autotest {
namespace {

namespace fs = std::filesystem;

const std::string kBlankField(4, ' ');

std::string Blanks(int fields) {
  std::string s;
  for (int i = 0; i < fields; ++i) s += kBlankField;
  return s;
}

class RegisterListFilesTest : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream out(dir.Path() / name, std::ios::binary);
    out << bytes;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(dir.Path() / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> RegRow(int row) const {
    std::vector<std::string> cells;
    for (int c = 1; c <= RegStepTable::kAcmColumn; ++c) cells.push_back(regs.Cell(c, row));
    return cells;
  }

  test::TempDir dir{"qx_reglist"};
  RegStepTable regs;
  ResultTable results;
  instruments::StepTable fluke;
  instruments::StepTable power;
  base::RecordingHost host;
  RegisterListFiles files{regs, results, fluke, power, host, dir.Path()};
};

TEST_F(RegisterListFilesTest, SaveRegWritesTheUsedColumnsAndModes) {
  regs.Apply(6);
  const std::vector<std::vector<std::string>> rows{
      {"40", "41", "42", "", "99"},  // column 5 lies past the empty address column 4
      {"1", "FF", "0", "7", "8"},
      {"A", "", "12345"}};
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      regs.SetCell(static_cast<int>(c) + 1, static_cast<int>(r), rows[r][c]);
  regs.SetCell(11, 1, "20");
  regs.SetCell(12, 1, "2.4");
  regs.SetCell(11, 2, "5");
  regs.SetCell(12, 2, "1.25");
  regs.SetCell(1, 4, "3");  // behind the empty row 3: not a mode in use
  regs.SetCell(11, 4, "9");

  const auto report = files.SaveReg(6);
  ASSERT_TRUE(report.ok) << report.message;
  EXPECT_EQ(report.modes, 6);
  EXPECT_EQ(report.addresses, 3);
  EXPECT_EQ(report.modeCount, 2);
  EXPECT_EQ(report.overwide, 1);
  EXPECT_EQ(Get("Register.txt"), "  40  41  42" + Blanks(7) + "\r\n" +      //
                                     "   1  FF   0" + Blanks(7) + "\r\n" +  //
                                     "   A    12345" + Blanks(7) + "\r\n");
  EXPECT_EQ(Get("Delay.txt"), "    20\r\n     5\r\n");
  EXPECT_EQ(Get("ACM.txt"), "   2.4\r\n  1.25\r\n");
  EXPECT_NE(report.message.find("1 cell is wider than its field"), std::string::npos);
  EXPECT_TRUE(host.errors.empty());
  // The three files and no temporary file beside them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);
}

TEST_F(RegisterListFilesTest, SaveRegStopsTheAddressesAtHexZero) {
  regs.Apply(2);
  regs.SetCell(1, 0, "40");
  regs.SetCell(2, 0, "00");
  regs.SetCell(3, 0, "42");
  regs.SetCell(1, 1, "1");
  regs.SetCell(2, 1, "2");
  ASSERT_TRUE(files.SaveReg(2).ok);
  EXPECT_EQ(Get("Register.txt"), "  40" + Blanks(9) + "\r\n   1" + Blanks(9) + "\r\n");
}

TEST_F(RegisterListFilesTest, SaveRegWithoutAnAddressInColumnOneWritesEmptyFields) {
  regs.Apply(3);
  regs.SetCell(2, 0, "41");
  regs.SetCell(1, 1, "5");
  regs.SetCell(2, 1, "6");
  regs.SetCell(1, 2, "7");
  const auto report = files.SaveReg(3);
  ASSERT_TRUE(report.ok);
  const std::string empty = Blanks(10) + "\r\n";
  EXPECT_EQ(Get("Register.txt"), empty + empty + empty);
  EXPECT_EQ(Get("Delay.txt"), "      \r\n      \r\n");
  EXPECT_NE(report.message.find("no register address in column 1"), std::string::npos);
}

TEST_F(RegisterListFilesTest, DownloadRegFillsFieldsAndClearsTheRest) {
  regs.Apply(5);
  regs.SetCell(5, 0, "77");   // an address of an earlier list
  regs.SetCell(3, 1, "EE");   // a value of an earlier list
  regs.SetCell(11, 4, "30");  // a delay of an earlier list
  // LF or CR LF line ends, a short second line, a last line without its end; the blanks and
  // the "x" of a field are dropped, its hex digits kept.
  Put("Register.txt", "  40  41  42\r\n  10  11\n x5 \r\n   6");
  const auto report = files.DownloadReg(5);
  ASSERT_TRUE(report.ok) << report.message;
  EXPECT_TRUE(report.fileFound);
  EXPECT_EQ(report.addresses, 3);
  EXPECT_EQ(report.modeCount, 3);
  const std::vector<std::string> none(12, "");
  std::vector<std::string> row0 = none, row1 = none, row2 = none, row3 = none;
  row0[0] = "40", row0[1] = "41", row0[2] = "42";
  row0[10] = "Delay", row0[11] = "ACM";
  row1[0] = "10", row1[1] = "11";
  row2[0] = "5";
  row3[0] = "6";
  EXPECT_EQ(RegRow(0), row0);
  EXPECT_EQ(RegRow(1), row1);
  EXPECT_EQ(RegRow(2), row2);
  EXPECT_EQ(RegRow(3), row3);
  EXPECT_EQ(RegRow(4), none);
  EXPECT_EQ(
      std::vector<std::string>(host.statusLog.begin(), host.statusLog.end()),
      (std::vector<std::string>{"0:Download Register Value - 1", "0:Download Register Value - 2",
                                "0:Download Register Value - 3", "0:Download Register Value - 4"}));
  // Without "Delay.txt" the command ends without its final text, and says why.
  EXPECT_NE(report.message.find("Delay.txt not found"), std::string::npos);
  // The result table is laid out for the modes found.
  EXPECT_EQ(results.Columns(), 4);
  EXPECT_EQ(results.Rows(), 2);
  EXPECT_EQ(results.Cell(3, 0), "D - 3");
}

TEST_F(RegisterListFilesTest, DelayAndAcmFillTheModesInUse) {
  regs.Apply(8);
  Put("Register.txt", "  40\r\n   1\r\n   2\r\n   3\r\n   4\r\n   5\r\n");
  // Three delays for five modes; "1A" is no decimal number and loads as 0; only the first six
  // characters of a line count.
  Put("Delay.txt", "    20\r\n    1A\r\n  7   9\n");
  Put("ACM.txt", "   2.4\r\n 1.250\r\n   1E3\r\n  3.3V\r\n");
  const auto report = files.DownloadReg(8);
  ASSERT_TRUE(report.ok) << report.message;
  EXPECT_EQ(report.modeCount, 5);
  std::vector<std::string> delays, acm;
  for (int m = 1; m <= 8; ++m) {
    delays.push_back(regs.Cell(11, m));
    acm.push_back(regs.Cell(12, m));
  }
  EXPECT_EQ(delays, (std::vector<std::string>{"20", "0", "7", "15", "15", "", "", ""}));
  EXPECT_EQ(acm, (std::vector<std::string>{"2.4", "1.25", "1000", "3.3", "2.4", "", "", ""}));
  EXPECT_EQ(host.status[0], "Download Register Value OK !!!");
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(RegisterListFilesTest, AcmIsOnlyReadAfterDelay) {
  regs.Apply(3);
  Put("Register.txt", "  40\r\n   1\r\n");
  Put("ACM.txt", "   3.3\r\n");
  ASSERT_TRUE(files.DownloadReg(3).ok);
  EXPECT_EQ(regs.Cell(12, 1), "");
  EXPECT_EQ(regs.Cell(11, 1), "");
  EXPECT_NE(host.status[0], "Download Register Value OK !!!");
}

TEST_F(RegisterListFilesTest, SavedRegisterListsLoadBack) {
  regs.Apply(4);
  const std::vector<std::string> row0{"40", "41", "5A", "43", "44", "45", "46", "47", "48", "4F"};
  for (int c = 1; c <= 10; ++c) {
    regs.SetCell(c, 0, row0[static_cast<size_t>(c - 1)]);
    regs.SetCell(c, 1, std::to_string(c));
    regs.SetCell(c, 2, "F" + std::to_string(c % 10));
  }
  regs.SetCell(11, 1, "120");
  regs.SetCell(12, 1, "0.6");
  regs.SetCell(11, 2, "3");
  regs.SetCell(12, 2, "1.2");
  const RegStepTable saved = regs;
  ASSERT_TRUE(files.SaveReg(4).ok);
  for (int r = 0; r <= 4; ++r)
    for (int c = 1; c <= 12; ++c) regs.SetCell(c, r, "junk");
  ASSERT_TRUE(files.DownloadReg(4).ok);
  for (int r = 0; r <= 4; ++r)
    for (int c = 0; c <= 12; ++c) EXPECT_EQ(regs.Cell(c, r), saved.Cell(c, r)) << c << "," << r;
}

TEST_F(RegisterListFilesTest, LinesPastTheLastModeRowAreIgnored) {
  regs.Apply(2);
  Put("Register.txt", "  40\r\n   1\r\n   2\r\n   3\r\n   4\r\n");
  Put("Delay.txt", "     1\r\n     2\r\n     3\r\n");
  const auto report = files.DownloadReg(2);
  ASSERT_TRUE(report.ok);
  EXPECT_EQ(report.ignoredLines, 2);
  EXPECT_EQ(regs.RowCount(), 3);
  EXPECT_EQ(regs.Cell(1, 2), "2");
  EXPECT_EQ(regs.Cell(11, 2), "2");
  EXPECT_EQ(host.statusLog.size(), 2u);  // rows 1 and 2; the third line ends the reading
  EXPECT_NE(report.message.find("2 lines past mode row 2 ignored"), std::string::npos);
}

TEST_F(RegisterListFilesTest, MissingRegisterFileIsShownAfterClearing) {
  regs.Apply(2);
  regs.SetCell(1, 0, "40");
  regs.SetCell(1, 1, "1");
  const auto report = files.DownloadReg(2);
  EXPECT_FALSE(report.ok);
  EXPECT_FALSE(report.fileFound);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0],
            "Cannot read " + (dir.Path() / "Register.txt").string() + ": the file does not exist");
  EXPECT_EQ(report.message, host.errors[0]);
  EXPECT_EQ(regs.Cell(1, 0), "");
  EXPECT_EQ(regs.Cell(1, 1), "");
}

TEST_F(RegisterListFilesTest, FilesThatAreNoListsAreRefused) {
  fs::create_directory(dir.Path() / "Register.txt");
  EXPECT_FALSE(files.DownloadReg(2).ok);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("Register.txt: not a regular file"), std::string::npos);

  Put("Fluke.txt", std::string(RegisterListFiles::kMaxFileBytes + 1, '1'));
  const auto big = files.DownloadFluke(2);
  EXPECT_FALSE(big.ok);
  EXPECT_TRUE(big.fileFound);
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_NE(host.errors[1].find("Fluke.txt: larger than 4 MiB"), std::string::npos);

  Put("Power.txt", "   1OUTP ON\r\n" + std::string(RegisterListFiles::kMaxLineBytes + 1, 'x'));
  EXPECT_FALSE(files.DownloadPower(2).ok);
  ASSERT_EQ(host.errors.size(), 3u);
  EXPECT_EQ(host.errors[2], "Power.txt line 2: longer than 4096 characters, not a list file");

  // A name that cannot be looked up is refused with its cause, not taken for a missing list.
  fs::remove(dir.Path() / "Power.txt");
  fs::create_symlink(dir.Path() / "Power.txt", dir.Path() / "Power.txt");
  const auto looped = files.DownloadPower(2);
  EXPECT_FALSE(looped.ok);
  EXPECT_TRUE(looped.fileFound);
  ASSERT_EQ(host.errors.size(), 4u);
  EXPECT_NE(host.errors[3].find("Power.txt: "), std::string::npos);
  EXPECT_EQ(host.errors[3].find("does not exist"), std::string::npos) << host.errors[3];
  EXPECT_EQ(host.errors[3].find("cannot be opened"), std::string::npos) << host.errors[3];
}

TEST_F(RegisterListFilesTest, WriteFailuresReachTheUser) {
  RegisterListFiles nowhere{regs, results, fluke, power, host, dir.Path() / "gone"};
  const auto reg = nowhere.SaveReg(2);
  EXPECT_FALSE(reg.ok);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].rfind("Cannot save Register.txt: ", 0), 0u);
  EXPECT_FALSE(nowhere.SavePower(2).ok);
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors[1].rfind("Cannot save Power.txt: ", 0), 0u);
}

TEST_F(RegisterListFilesTest, SaveStepsWritesTheEnabledRows) {
  fluke.SetCell(1, 1, "1");
  fluke.SetCell(2, 1, "OUT 1 V");
  fluke.SetCell(1, 2, "0");
  fluke.SetCell(2, 2, "OUT 2 V");  // disabled: not saved
  fluke.SetCell(1, 3, "A");
  fluke.SetCell(2, 3, "STBY");
  fluke.SetCell(2, 4, "OUT 4 V");  // no step
  fluke.SetCell(1, 6, "1");        // past the mode rows
  const auto report = files.SaveFluke(5);
  ASSERT_TRUE(report.ok);
  EXPECT_EQ(report.steps, 2);
  EXPECT_EQ(Get("Fluke.txt"), "   1OUT 1 V\r\n   ASTBY\r\n");
  EXPECT_NE(report.message.find("rows without a step are not saved"), std::string::npos);
  EXPECT_EQ(fluke.RowCount(), 6);
  EXPECT_EQ(power.RowCount(), 6);
  EXPECT_EQ(regs.RowCount(), 6);
  EXPECT_EQ(regs.Cell(0, 5), "Value-5");

  power.SetCell(1, 1, "2");
  power.SetCell(2, 1, "VOLT 3.3");
  power.SetCell(1, 2, "1");
  power.SetCell(2, 2, "OUTP OFF");
  const auto saved = files.SavePower(5);
  ASSERT_TRUE(saved.ok);
  EXPECT_EQ(Get("Power.txt"), "   2VOLT 3.3\r\n   1OUTP OFF\r\n");
  EXPECT_EQ(saved.message, "Power.txt saved: 2 steps");
}

TEST_F(RegisterListFilesTest, FlukeSkipsLinesWithoutAStepPowerKeepsThem) {
  const std::string text =
      "   1OUT 1 V\r\n    OUT 2 V\r\n   AOUT 3 V\r\n  1a OUT 4\n   0OUT 5\r\n  7\r\n";
  Put("Fluke.txt", text);
  Put("Power.txt", text);
  fluke.SetCell(1, 6, "1");
  fluke.SetCell(2, 6, "old");
  const auto f = files.DownloadFluke(6);
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.steps, 4);
  EXPECT_EQ(f.skipped, 2);
  const auto p = files.DownloadPower(6);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.steps, 6);
  auto rows = [](const instruments::StepTable& t) {
    std::vector<std::string> cells;
    for (int r = 1; r <= 6; ++r) cells.push_back(t.Cell(1, r) + "|" + t.Cell(2, r));
    return cells;
  };
  EXPECT_EQ(rows(fluke),
            (std::vector<std::string>{"1|OUT 1 V", "A|OUT 3 V", "1a| OUT 4", "7|", "|", "|"}));
  EXPECT_EQ(rows(power), (std::vector<std::string>{"1|OUT 1 V", "|OUT 2 V", "A|OUT 3 V",
                                                   "1a| OUT 4", "0|OUT 5", "7|"}));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(RegisterListFilesTest, MissingStepFilesClearTheTableAndSaySo) {
  fluke.SetCell(1, 1, "1");
  fluke.SetCell(2, 1, "OUT 1 V");
  const auto report = files.DownloadFluke(3);
  EXPECT_TRUE(report.ok);
  EXPECT_FALSE(report.fileFound);
  EXPECT_EQ(report.message, "Fluke.txt not found: the calibrator table was cleared");
  EXPECT_EQ(fluke.Cell(1, 1), "");
  EXPECT_EQ(fluke.Cell(2, 1), "");
  EXPECT_EQ(fluke.Cell(0, 1), "1");  // the row numbers stay
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(RegisterListFilesTest, StepLinesPastTheModeRowsAreIgnored) {
  Put("Power.txt", "   1A\r\n   1B\r\n   1C\r\n");
  const auto report = files.DownloadPower(2);
  ASSERT_TRUE(report.ok);
  EXPECT_EQ(report.steps, 2);
  EXPECT_EQ(report.ignoredLines, 1);
  EXPECT_EQ(power.Cell(2, 2), "B");
  EXPECT_EQ(power.RowCount(), 3);
}

}  // namespace
}  // namespace qx::autotest

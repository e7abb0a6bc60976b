#include "core/autotest/TempFormFile.h"

#include <gtest/gtest.h>

namespace qx::autotest {
namespace {

TEST(TempFormFile, EveryBoxAndChoiceComesBackAsItWasLeft) {
  TempForm form;
  // Whole strings moved in: GCC 12 at -O3 misreads a literal assigned into the form's members.
  form.tempCount = std::string("7");
  form.tempStart = std::string("-25.5");
  form.tempStep = std::string("abc");  // kept as typed: the run refuses it when it starts
  form.linkWaitMinutes = std::string("30");
  form.measure = TempForm::Measure::Meters;
  form.capture = TempForm::Capture::Temperature;
  form.fullFiles = true;
  form.lock3V = true;
  // The device and the note are words, longer than a number and with any sign in them.
  form.device = std::string("board 7, rev B");
  form.note = std::string("after reflow: x=2 \u00B5V ") + std::string(150, '.');
  const std::string text = TempFormFile::Render(form);
  EXPECT_EQ(text.substr(0, 35), "points=7\r\nstart=-25.5\r\nstep=abc\r\nmo");
  TempForm back;
  EXPECT_EQ(TempFormFile::Apply(text, back), 0);
  EXPECT_EQ(TempFormFile::Render(back), text);
  EXPECT_EQ(back.device, form.device);
  EXPECT_EQ(back.note, form.note);
}

TEST(TempFormFile, LinesThatCannotBeReadLeaveTheirBoxAndNameTheFirst) {
  const struct {
    const char* text;
    int bad;
  } cases[] = {
      {"points=3\nmeasure=3\n", 2}, {"capture=1\r\nfull_files=yes\r\n", 2},
      {"oven=1\npoints=3\n", 1},    {"points\n", 1},
      {"\r\n\r\nhold=5\r\n", 0},
  };
  for (const auto& c : cases) {
    TempForm form;
    EXPECT_EQ(TempFormFile::Apply(c.text, form), c.bad) << c.text;
    EXPECT_EQ(form.measure, TempForm::Measure::Adc) << c.text;
    EXPECT_FALSE(form.fullFiles) << c.text;
  }
  TempForm form;
  TempFormFile::Apply("points=" + std::string(65, '9') + "\nhold=5\n", form);
  EXPECT_EQ(form.tempCount, "5") << "a value no box would hold is not taken";
  EXPECT_EQ(form.holdMinutes, "5");
}

// The register table comes back sized and labelled, its cells where they were; cells the file
// cannot hold (a label, a row beyond the table) are not taken and name their line.
TEST(TempFormFile, TheRegisterTableComesBackWithItsLabels) {
  TempForm form;
  RegStepTable regs;
  regs.Apply(3);
  regs.SetCell(1, 0, "01");
  regs.SetCell(1, 2, "20");
  regs.SetCell(RegStepTable::kAcmColumn, 3, "2.4");
  const std::string text = TempFormFile::Render(form, &regs);
  RegStepTable back;
  TempForm backForm;
  ASSERT_EQ(TempFormFile::Apply(text, backForm, &back), 0);
  ASSERT_EQ(back.RowCount(), 4);
  EXPECT_EQ(back.Cell(0, 0), "Address");
  EXPECT_EQ(back.Cell(0, 3), "Value-3");
  EXPECT_EQ(back.Cell(RegStepTable::kDelayColumn, 0), "Delay");
  EXPECT_EQ(back.Cell(1, 0), "01");
  EXPECT_EQ(back.Cell(1, 2), "20");
  EXPECT_EQ(back.Cell(RegStepTable::kAcmColumn, 3), "2.4");
  EXPECT_EQ(TempFormFile::Render(backForm, &back), text);

  const struct {
    const char* text;
    int bad;
  } cases[] = {
      {"reg_rows=3\nreg=0,11,Wait\nreg=1,1,05\n", 2},
      {"reg_rows=3\nreg=1,1,05\nreg=3,1,07\n", 3},
      {"reg_rows=1\nreg=1,1,05\n", 1},
      {"reg=1,1,05\n", 1},
      {"reg_rows=3\nreg=1;1;05\n", 2},
  };
  for (const auto& c : cases) {
    RegStepTable table;
    TempForm f;
    EXPECT_EQ(TempFormFile::Apply(c.text, f, &table), c.bad) << c.text;
    EXPECT_NE(table.Cell(RegStepTable::kDelayColumn, 0), "Wait") << c.text;
  }
}

}  // namespace
}  // namespace qx::autotest

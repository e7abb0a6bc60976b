#include "core/autotest/TempFormFile.h"

#include <gtest/gtest.h>

namespace qx::autotest {
namespace {

TEST(TempFormFile, EveryBoxAndChoiceComesBackAsItWasLeft) {
  TempForm form;
  form.tempCount = "7";
  form.tempStart = "-25.5";
  form.tempStep = "abc";  // kept as typed: the run refuses it when it starts
  form.linkWaitMinutes = "30";
  form.measure = TempForm::Measure::Meters;
  form.capture = TempForm::Capture::Temperature;
  form.fullFiles = true;
  form.lock3V = true;
  const std::string text = TempFormFile::Render(form);
  EXPECT_EQ(text.substr(0, 35), "points=7\r\nstart=-25.5\r\nstep=abc\r\nmo");
  TempForm back;
  EXPECT_EQ(TempFormFile::Apply(text, back), 0);
  EXPECT_EQ(TempFormFile::Render(back), text);
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

}  // namespace
}  // namespace qx::autotest

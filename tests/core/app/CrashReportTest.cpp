#include "core/app/CrashReport.h"

#include <gtest/gtest.h>

#include <string>

namespace qx::app {
namespace {

TEST(CrashReportTest, KeepsTheLastTwentyCommandsWithTheStateOfTheLatest) {
  CrashReport report("qxpanel 1.0 (caption)\n");
  EXPECT_EQ(std::string(report.Text(), report.Size()),
            "qxpanel 1.0 (caption)\nchip: none\nlink: none\nwindow: none\n"
            "last commands, oldest first:\n");
  for (int i = 1; i <= 25; ++i)
    report.Command("command " + std::to_string(i),
                   {"QX7401", "QX740x, USB bridge open", "TAnxADC"});
  const std::string text(report.Text(), report.Size());
  EXPECT_EQ(text.find("command 5\n"), std::string::npos) << "the oldest five went";
  EXPECT_NE(text.find("last commands, oldest first:\n  command 6\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 13), "  command 25\n");
  EXPECT_NE(text.find("\nchip: QX7401\nlink: QX740x, USB bridge open\nwindow: TAnxADC\n"),
            std::string::npos);

  // A chip load changes the state without a command.
  report.Update({"7R404", "SPI, USB bridge closed", ""});
  const std::string after(report.Text(), report.Size());
  EXPECT_NE(after.find("\nchip: 7R404\nlink: SPI, USB bridge closed\nwindow: none\n"),
            std::string::npos);
  EXPECT_EQ(report.WithCause("an error: bad_alloc"), "ended by: an error: bad_alloc\n" + after);
}

TEST(CrashReportTest, ATextLongerThanTheBufferIsCutNeverOverrun) {
  CrashReport report("qxpanel");
  report.Update({std::string(10000, 'x'), "QX740x", ""});
  EXPECT_EQ(report.Size(), CrashReport::kCapacity - 1);
  EXPECT_EQ(report.Text()[report.Size()], '\0');
}

}  // namespace
}  // namespace qx::app

#include "gui/GuardedApplication.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <stdexcept>
#include <thread>

namespace qx::gui {
namespace {

// The program as it runs: a command that throws while the event loop runs it.
void RunAThrowingCommand() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "qxpanel";
  char* argv[] = {name, nullptr};
  GuardedApplication application(argc, argv);
  QTimer::singleShot(
      0, [] { throw std::runtime_error("basic_filebuf::underflow error reading the file"); });
  QApplication::exec();
}

TEST(GuardedApplicationDeathTest, ExceptionInACommandEndsWithItsCauseAndStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RunAThrowingCommand(), ::testing::ExitedWithCode(1),
              "qxpanel: stopped by an error: basic_filebuf::underflow error reading the file");
}

TEST(GuardedApplicationDeathTest, ExceptionOutsideTheEventLoopEndsTheSameWay) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GuardedApplication::InstallLastResort();
        // Nothing catches it on its way out of the thread.
        std::thread([] { throw std::runtime_error("no such chip file"); }).join();
      },
      ::testing::ExitedWithCode(1), "qxpanel: stopped by an error: no such chip file");
}

}  // namespace
}  // namespace qx::gui

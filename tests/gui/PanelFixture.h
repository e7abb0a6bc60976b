#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <filesystem>
#include <memory>
#include <string>

#include "core/base/FakeClock.h"
#include "gui/PanelApplication.h"
#include "sim/SimBoard.h"

namespace qx::gui::test {

/// A panel over the simulated board in a fresh program folder. The QApplication is made once for
/// the whole test program, since Qt allows only one.
class PanelFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QApplication::instance()) {
      // Headless unless a platform was asked for explicitly.
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      static int argc = 1;
      static char name[] = "qx_gui_tests";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);
    }
  }

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          (std::string("qx_gui_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }

  void TearDown() override {
    Destroy();
    std::filesystem::remove_all(dir);
  }

  /// Creates the windows; `attachBoard` false leaves the USB bus empty.
  void Create(bool attachBoard = true) {
    panel = std::make_unique<PanelApplication>(dir.string() + "/", clock);
    panel->Host().SetDialogsEnabled(false);
    if (attachBoard) {
      board = std::make_unique<sim::SimBoard>(clock, panel->Bench().chip);
      panel->Hid().Bind(&board->Hid());
      panel->Bulk().Bind(&board->Bulk());
    }
  }

  void Start(bool attachBoard = true) {
    Create(attachBoard);
    panel->Start();
  }

  /// Closes the main window as the user would, then destroys the windows.
  void CloseAndDestroy() {
    panel->Main().close();
    Destroy();
  }

  void Destroy() { panel.reset(); }

  /// Puts the shipped chip index and chip files into the program folder, where the chip loads
  /// of the setup dialog and of USB Scan look for them.
  void InstallShippedChips() {
    const auto shipped = (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE")
                             .lexically_normal();
    std::filesystem::copy(shipped, dir / "INCLUDE");
  }

  /// Started with the shipped chips on the simulated board, its gains those of the chip, and the
  /// bridge connected by USB Scan; with `instruments` the bench instruments answer on their ports.
  void StartConnected(bool instruments = false) {
    InstallShippedChips();
    Create();
    if (instruments) panel->Serial().Bind(&board->SerialPorts());
    panel->Start();
    board->ApplyChipGains(panel->Bench().chip);
    Action("USBScan")->trigger();
    ASSERT_EQ(Status(0), "USB On Line");
  }

  QAction* Action(const char* objectName) { return panel->Main().findChild<QAction*>(objectName); }

  std::string Status(int i) { return panel->Main().StatusText(i).toStdString(); }

  base::FakeClock clock;
  std::filesystem::path dir;
  std::unique_ptr<sim::SimBoard> board;  // outlives the panel, which releases the bridge
  std::unique_ptr<PanelApplication> panel;
};

}  // namespace qx::gui::test

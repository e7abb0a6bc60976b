#include "gui/RestoreWin.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <fstream>

#include "PanelFixture.h"
#include "core/base/FileBytes.h"

namespace qx::gui::test {
namespace {

using RestoreWinTest = PanelFixture;

TEST_F(RestoreWinTest, PlacementFileLivesBesideTheProgram) {
  Create();
  EXPECT_EQ(panel->Main().Placement().FilePath(), (dir / "qxpanel.wst").string());
  panel->Main().Placement().SetExtName("");
  EXPECT_EQ(panel->Main().Placement().ExtName(), "wst");
}

TEST_F(RestoreWinTest, MainWindowPlacementSurvivesARestart) {
  Start();
  panel->Main().show();
  panel->Main().move(30, 40);
  panel->Main().resize(700, 500);
  CloseAndDestroy();

  const auto text = base::ReadFileBytes(dir / "qxpanel.wst");
  ASSERT_TRUE(text);
  // Version, number of windows (one per window created so far), then the main window first.
  EXPECT_EQ(text->substr(0, 6), "1.10\r\n");
  EXPECT_EQ(text->substr(text->find("\r\n", 6) + 2, 12), "TMainPanel\r\n");
  EXPECT_NE(text->find("   30   40  700  500    0    1\r\n"), std::string::npos) << *text;

  Start();
  panel->Main().show();
  EXPECT_EQ(panel->Main().pos(), QPoint(30, 40));
  EXPECT_EQ(panel->Main().size(), QSize(700, 500));
}

TEST_F(RestoreWinTest, AWindowOpenAtCloseComesBackShownInTheWorkArea) {
  Start();
  panel->Main().show();
  Action("SMenu_REG")->trigger();
  ASSERT_FALSE(panel->Views().Registers()->isHidden());
  CloseAndDestroy();

  const auto text = base::ReadFileBytes(dir / "qxpanel.wst");
  ASSERT_TRUE(text);
  const size_t reg = text->find("TQx_Reg2\r\n");
  ASSERT_NE(reg, std::string::npos);
  const std::string numbers = text->substr(reg + 10, text->find("\r\n", reg + 10) - reg - 10);
  EXPECT_EQ(numbers.substr(numbers.size() - 5), "    1") << numbers;
  // A window that was closed stays closed.
  const size_t ram = text->find("TQx_RAM\r\n");
  ASSERT_NE(ram, std::string::npos);
  EXPECT_EQ(text->substr(text->find("\r\n", ram + 9) - 5, 5), "    0");

  Start();
  panel->Main().show();
  QWidget* shown = panel->Views().Registers();
  EXPECT_FALSE(shown->isHidden());
  EXPECT_NE(qobject_cast<QMdiSubWindow*>(shown->parentWidget()), nullptr);
  EXPECT_TRUE(panel->Views().Ram()->isHidden());
}

TEST_F(RestoreWinTest, WindowSavedFarRightComesBackOnScreen) {
  {
    std::ofstream out(dir / "qxpanel.wst", std::ios::binary);
    out << "1.10\r\n1\r\nTMainPanel\r\n 5000   10  650  300    0    1\r\n";
  }
  Start();
  panel->Main().show();
  const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
  EXPECT_EQ(panel->Main().x(), screenWidth - 650);
  EXPECT_EQ(panel->Main().y(), 10);
  EXPECT_EQ(panel->Main().width(), 650);
}

TEST_F(RestoreWinTest, DamagedPlacementFileKeepsTheDesignedBounds) {
  Start();
  panel->Main().show();
  const QRect designed = panel->Main().geometry();
  Destroy();
  {
    std::ofstream out(dir / "qxpanel.wst", std::ios::binary);
    out << "1.10\r\n1\r\nTMainPanel\r\n   5x   10  400  300    0    1\r\n";
  }
  Start();
  panel->Main().show();
  EXPECT_EQ(panel->Main().geometry(), designed);
}

TEST_F(RestoreWinTest, DisabledRestoreNeitherLoadsNorSaves) {
  {
    std::ofstream out(dir / "qxpanel.wst", std::ios::binary);
    out << "1.10\r\n1\r\nTMainPanel\r\n   77   10  400  300    0    1\r\n";
  }
  Start();
  panel->Main().Placement().Enabled = false;
  panel->Main().show();
  EXPECT_NE(panel->Main().x(), 77);
  CloseAndDestroy();
  EXPECT_EQ(base::ReadFileBytes(dir / "qxpanel.wst"),
            "1.10\r\n1\r\nTMainPanel\r\n   77   10  400  300    0    1\r\n");
}

TEST_F(RestoreWinTest, PlacementFileThatCannotBeWrittenOrReadIsShownInTheStatusBar) {
  Start();
  // A folder where the placement file should be: the save fails.
  std::filesystem::create_directories(dir / "qxpanel.wst");
  panel->Main().show();
  panel->Main().close();
  EXPECT_TRUE(panel->Main().StatusText(2).startsWith("Window placements not saved: "))
      << panel->Main().StatusText(2).toStdString();
  Destroy();

  // A placement file far too large is refused when the window is shown.
  std::filesystem::remove_all(dir / "qxpanel.wst");
  { std::ofstream(dir / "qxpanel.wst", std::ios::binary) << std::string(70000, ' '); }
  Start();
  panel->Main().show();
  EXPECT_EQ(panel->Main().StatusText(2).toStdString(),
            (dir / "qxpanel.wst").string() + ": larger than 65536 bytes, not read");
}

}  // namespace
}  // namespace qx::gui::test

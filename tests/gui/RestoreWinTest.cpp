#include "gui/RestoreWin.h"

#include <QGuiApplication>
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

}  // namespace
}  // namespace qx::gui::test

// Every window of the panel outlives the close of its frame: the X of the frame and Ctrl+F4 only
// hide it, and whatever else refers to it (commands, chip loads, the placement file, the
// capture's figures) still finds it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <string>

#include "PanelFixture.h"
#include "core/base/FileBytes.h"

namespace qx::gui::test {
namespace {

enum class CloseBy { FrameX, CtrlF4 };

class WindowLifetimeTest : public PanelFixture {
 protected:
  QWidget* Window(const char* objectName) { return panel->Main().findChild<QWidget*>(objectName); }

  static QMdiSubWindow* FrameOf(QWidget* w) {
    return w ? qobject_cast<QMdiSubWindow*>(w->parentWidget()) : nullptr;
  }

  /// Opens a window through its menu item, as the user does.
  QWidget* Open(const char* action, const char* objectName) {
    QAction* a = Action(action);
    EXPECT_NE(a, nullptr) << action;
    if (!a) return nullptr;
    EXPECT_TRUE(a->isEnabled()) << action;
    a->trigger();
    QWidget* w = Window(objectName);
    EXPECT_NE(w, nullptr) << objectName;
    EXPECT_TRUE(w && w->isVisible()) << objectName << " did not open";
    return w;
  }

  /// Closes the window's frame and lets every deferred delete of Qt run.
  void CloseFrame(QWidget* w, CloseBy how) {
    QMdiSubWindow* frame = FrameOf(w);
    ASSERT_NE(frame, nullptr);
    if (how == CloseBy::FrameX) {
      frame->close();
    } else {
      // The frame's system menu item behind Ctrl+F4.
      QAction* close = nullptr;
      for (QAction* a : frame->systemMenu()->actions())
        if (a->shortcut() == QKeySequence(QKeySequence::Close)) close = a;
      ASSERT_NE(close, nullptr);
      close->trigger();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  /// The placement file's "shown" number of a window: 1 shown, 0 hidden.
  std::string ShownInPlacements(const std::string& objectName) {
    const auto text = base::ReadFileBytes(dir / "qxpanel.wst");
    if (!text) return "<no placement file>";
    const size_t at = text->find(objectName + "\r\n");
    if (at == std::string::npos) return "<" + objectName + " not listed>";
    const size_t end = text->find("\r\n", at + objectName.size() + 2);
    return text->substr(end - 1, 1);
  }
};

TEST_F(WindowLifetimeTest, EveryWindowClosedByItsFrameOpensAgainFromItsMenu) {
  StartConnected();
  panel->Main().show();
  panel->Main().RevealCommand("MCALW");
  const struct {
    const char* action;
    const char* window;
  } windows[] = {
      {"SMenu_RAM", "TQx_RAM"},    {"SMenu_REG", "TQx_Reg2"},
      {"SMenu_ADC", "TADCForm"},

      {"Menu_ReadAdc", "TAnxADC"}, {"Menu_NoiseSweep", "TNoiseSweep"},
      {"MCALW", "TWeightCAL"},     {"Fluke1", "TFLUKE"},
      {"Power1", "TFPower"},       {"Regist", "TTMP"},
  };
  for (const CloseBy how : {CloseBy::FrameX, CloseBy::CtrlF4}) {
    for (const auto& w : windows) {
      SCOPED_TRACE(std::string(w.window) + (how == CloseBy::FrameX ? " by X" : " by Ctrl+F4"));
      QWidget* window = Open(w.action, w.window);
      ASSERT_NE(window, nullptr);
      CloseFrame(window, how);
      ASSERT_EQ(Window(w.window), window) << "the window was deleted with its frame";
      EXPECT_FALSE(window->isVisible());
      EXPECT_EQ(Open(w.action, w.window), window);
      ASSERT_NE(FrameOf(window), nullptr);
      EXPECT_TRUE(FrameOf(window)->isVisible());
    }
  }
}

TEST_F(WindowLifetimeTest, ChipChangeAndUsbScanAfterTheViewsWereClosedReachThem) {
  StartConnected();
  panel->Main().show();
  QWidget* reg = Open("SMenu_REG", "TQx_Reg2");
  QWidget* ram = Open("SMenu_RAM", "TQx_RAM");
  ASSERT_TRUE(reg && ram);
  CloseFrame(reg, CloseBy::FrameX);
  CloseFrame(ram, CloseBy::FrameX);

  // The setup dialog's chip list loads another description, and the closed view follows it.
  auto* chips = panel->Option().findChild<QComboBox*>("CbSeluP");
  ASSERT_NE(chips, nullptr);
  chips->setCurrentIndex(1);
  emit chips->activated(1);
  ASSERT_EQ(panel->Bench().chip.ModelName, "7R404");
  EXPECT_TRUE(reg->windowTitle().contains("7R404")) << reg->windowTitle().toStdString();

  Action("USBScan")->trigger();
  EXPECT_EQ(Status(0), "USB On Line");
  Action("Menu_ReadRAM")->trigger();
  EXPECT_EQ(Open("SMenu_REG", "TQx_Reg2"), reg);
  EXPECT_TRUE(reg->windowTitle().contains("7R404")) << reg->windowTitle().toStdString();
  EXPECT_EQ(Open("SMenu_RAM", "TQx_RAM"), ram);
}

TEST_F(WindowLifetimeTest, ClosingTheProgramAfterWindowsWereClosedSavesThemAsHidden) {
  StartConnected();
  panel->Main().show();
  panel->Main().RevealCommand("MCALW");
  QWidget* sw = Open("MCALW", "TWeightCAL");
  QWidget* reg = Open("SMenu_REG", "TQx_Reg2");
  QWidget* ram = Open("SMenu_RAM", "TQx_RAM");
  ASSERT_TRUE(sw && reg && ram);
  CloseFrame(sw, CloseBy::FrameX);
  CloseFrame(reg, CloseBy::CtrlF4);
  CloseAndDestroy();

  EXPECT_EQ(ShownInPlacements("TWeightCAL"), "0");
  EXPECT_EQ(ShownInPlacements("TQx_Reg2"), "0");
  EXPECT_EQ(ShownInPlacements("TQx_RAM"), "1") << "the one left open stays open";
}

// A kill -9 runs no close: where the user put a window must be on disk within a second.
TEST_F(WindowLifetimeTest, PlacementsReachTheFileWithinASecondOfAChangeWithoutAClose) {
  StartConnected();
  panel->Main().show();
  QWidget* ram = Open("SMenu_RAM", "TQx_RAM");
  ASSERT_NE(FrameOf(ram), nullptr);
  const auto waitASecond = [] {
    QEventLoop wait;
    QTimer::singleShot(1500, &wait, &QEventLoop::quit);
    wait.exec();
  };
  FrameOf(ram)->move(37, 41);
  waitASecond();
  const auto text = base::ReadFileBytes(dir / "qxpanel.wst");
  ASSERT_TRUE(text);
  const size_t at = text->find("TQx_RAM\r\n");
  ASSERT_NE(at, std::string::npos) << *text;
  EXPECT_EQ(text->substr(at + 9, 10), "   37   41") << "left and top of the moved frame";
  EXPECT_EQ(ShownInPlacements("TQx_RAM"), "1");

  CloseFrame(ram, CloseBy::FrameX);
  waitASecond();
  EXPECT_EQ(ShownInPlacements("TQx_RAM"), "0");
}

TEST_F(WindowLifetimeTest, NoiseSweepRunsAfterTheAnalysisWindowWasClosed) {
  StartConnected();
  panel->Main().show();
  board->Target().SetDcLevelVolts(0.001);
  QWidget* enob = Open("Menu_ReadAdc", "TAnxADC");
  ASSERT_NE(enob, nullptr);
  CloseFrame(enob, CloseBy::FrameX);

  QWidget* sweep = Open("Menu_NoiseSweep", "TNoiseSweep");
  ASSERT_NE(sweep, nullptr);
  auto* points = sweep->findChild<QComboBox*>("SweepPoints");
  ASSERT_NE(points, nullptr);
  points->setCurrentIndex(0);
  for (QCheckBox* box : sweep->findChildren<QCheckBox*>())
    box->setChecked(box->objectName() == "Gain1" || box->objectName() == "Rate2560");
  sweep->findChild<QPushButton*>("BStart")->click();
  EXPECT_EQ(qobject_cast<analysis::NoiseSweepForm*>(sweep)->StatusText(), "1 of 1 cells captured");

  // The sweep closed by its frame opens again with its table, and so does the analysis window.
  CloseFrame(sweep, CloseBy::FrameX);
  EXPECT_EQ(Open("Menu_NoiseSweep", "TNoiseSweep"), sweep);
  EXPECT_EQ(qobject_cast<analysis::NoiseSweepForm*>(sweep)->Sweep().Cells().size(), 1u);
  EXPECT_EQ(Open("Menu_ReadAdc", "TAnxADC"), enob);
  enob->findChild<QPushButton*>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Read Compelete");
}

}  // namespace
}  // namespace qx::gui::test

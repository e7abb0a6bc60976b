#include "gui/MainPanel.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <fstream>
#include <vector>

#include "PanelFixture.h"
#include "core/base/FileBytes.h"
#include "core/link/LinkMonitor.h"

namespace qx::gui::test {
namespace {

using MainPanelTest = PanelFixture;

std::vector<std::vector<uint8_t>> Heads(const std::vector<std::vector<uint8_t>>& requests,
                                        size_t n) {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& r : requests) out.emplace_back(r.begin(), r.begin() + std::min(n, r.size()));
  return out;
}

TEST_F(MainPanelTest, CreationSetsCaptionStatusBarAndLinkMonitor) {
  Create();
  MainPanel& main = panel->Main();
  EXPECT_EQ(main.windowTitle().toStdString(), "Qx-740xTEST V1.4");
  EXPECT_EQ(main.objectName(), "TMainPanel");
  EXPECT_NE(main.findChild<QMdiArea*>(), nullptr);
  auto* gauge = main.findChild<QProgressBar*>("Gauge1");
  ASSERT_NE(gauge, nullptr);
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_NE(main.findChild<QStatusBar*>("StatusBar1"), nullptr);
  for (const char* name : {"StatusPanel0", "StatusPanel1", "StatusPanel2"})
    EXPECT_NE(main.findChild<QLabel*>(name), nullptr) << name;

  EXPECT_EQ(panel->Up().objectName(), "TQx_UP");
  EXPECT_TRUE(panel->Up().Timer().isActive());
  EXPECT_EQ(panel->Up().Timer().interval(), 10);
  EXPECT_EQ(panel->Bench().target.Usb.Handle, link::kInvalidHandle);
  EXPECT_FALSE(panel->Bench().target.Usb.Opened);
}

TEST_F(MainPanelTest, MenuBarCaptionsVisibilityAndAvailability) {
  Create();  // as designed: no chip description has hidden anything yet
  MainPanel& main = panel->Main();
  std::vector<std::string> bar;
  for (QAction* a : main.menuBar()->actions())
    bar.push_back(a->text().toStdString() + (a->isVisible() ? "" : " (hidden)"));
  EXPECT_EQ(bar, (std::vector<std::string>{"File", "Option", "USB Scan", "Read RAM", "ENOB Test",
                                           "Noise Sweep", "SLEEP (hidden)", "Switch Test (hidden)",
                                           "Restore ADC (hidden)", "連續讀取", "Fluke", "Power"}));

  auto* file = main.findChild<QMenu*>("Memu_File");
  ASSERT_NE(file, nullptr);
  std::vector<std::string> fileItems;
  for (QAction* a : file->actions()) fileItems.push_back(a->objectName().toStdString());
  EXPECT_EQ(fileItems,
            (std::vector<std::string>{"SaveFluke1", "SaveReg1", "SavePower1", "DownLoadFluke1",
                                      "DownloadReg1", "DownloadPower1", "", "SMenu_RunHistory"}));

  auto* option = main.findChild<QMenu*>("Menu_Option");
  ASSERT_NE(option, nullptr);
  std::vector<std::string> optionItems;
  for (QAction* a : option->actions())
    optionItems.push_back(a->text().toStdString() + (a->isVisible() ? "" : " (hidden)"));
  EXPECT_EQ(optionItems,
            (std::vector<std::string>{"Setup", "RAM Panel", "REG Panel", "ADC Panel",
                                      "OP Panel (hidden)", "CMP Panel (hidden)", "", "Messages…",
                                      "Remote control… (127.0.0.1:5025)", "Local"}));

  // The windows that exist so far enable their commands ("Restore ADC" is hidden, so its
  // action is not enabled).
  std::vector<std::string> enabled;
  for (const app::MenuItem& item : app::MainMenu::kItems)
    if (Action(item.ObjectName)->isEnabled()) enabled.push_back(item.ObjectName);
  EXPECT_EQ(enabled,
            (std::vector<std::string>{
                "SaveFluke1", "SaveReg1", "SavePower1", "DownLoadFluke1", "DownloadReg1",
                "DownloadPower1", "SMenu_Option", "SMenu_RAM", "SMenu_REG", "SMenu_ADC", "USBScan",
                "Menu_ReadRAM", "Menu_ReadAdc", "Menu_NoiseSweep", "Regist", "Fluke1", "Power1"}));
}

TEST_F(MainPanelTest, ALongStatusMessageIsElidedAndNeverWidensTheWindow) {
  Start();
  MainPanel& main = panel->Main();
  main.resize(1024, 700);
  main.show();
  QApplication::processEvents();
  const int width = main.width();
  const QString message = "cannot open " + QString(300, 'x') + "/INCLUDE/QX7401.INC";
  main.SetStatusText(2, message);
  main.SetStatusText(0, message);
  QApplication::processEvents();
  EXPECT_EQ(main.width(), width);
  EXPECT_EQ(main.StatusText(2), message);
  auto* shown = main.findChild<QLabel*>("StatusPanel2");
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->text().endsWith(QChar(0x2026))) << shown->text().toStdString();
  EXPECT_LE(shown->fontMetrics().horizontalAdvance(shown->text()), shown->width());
  EXPECT_EQ(shown->toolTip(), message);
  // The three panels lie side by side, none over another.
  for (int i = 0; i < 2; ++i) {
    const QWidget* left = main.findChild<QLabel*>(QString("StatusPanel%1").arg(i));
    const QWidget* right = main.findChild<QLabel*>(QString("StatusPanel%1").arg(i + 1));
    EXPECT_LE(left->geometry().right(), right->geometry().left()) << i;
  }
  main.SetStatusText(2, "Read Compelete");
  EXPECT_EQ(shown->text(), "Read Compelete");

  // The cut message is read whole in "Messages", opened by a double-click on the status bar.
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5),
                    shown->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(shown, &click);
  auto* window = main.findChild<QDialog*>("TMessages");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  auto* text = window->findChild<QPlainTextEdit*>("MessagesText");
  ASSERT_NE(text, nullptr);
  const QString log = text->toPlainText();
  EXPECT_TRUE(log.contains("[2] " + message)) << log.toStdString();
  EXPECT_TRUE(log.contains("[0] " + message));
  EXPECT_LT(log.indexOf("[2] " + message), log.indexOf("[2] Read Compelete"));
  // While open it follows new messages; a progress line repeated is kept once.
  main.SetStatusText(1, "50% captured");
  main.SetStatusText(1, "50% captured");
  EXPECT_EQ(text->toPlainText().count("50% captured"), 1);
  window->hide();
  Action("SMenu_Messages")->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Action("SMenu_Messages")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
}

TEST_F(MainPanelTest, AFirstStartOpensEveryWindowWhollyInsideTheWorkArea) {
  Start();
  MainPanel& main = panel->Main();
  main.resize(1024, 700);
  main.show();
  QApplication::processEvents();
  const QRect area = main.MdiArea()->viewport()->rect();
  for (const char* command : {"SMenu_REG", "SMenu_RAM", "SMenu_ADC", "Menu_ReadAdc"}) {
    Action(command)->trigger();
    QApplication::processEvents();
  }
  for (const char* name : {"TQx_Reg2", "TQx_RAM", "TADCForm", "TAnxADC"}) {
    auto* form = main.findChild<QWidget*>(name);
    ASSERT_NE(form, nullptr) << name;
    auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    ASSERT_NE(frame, nullptr) << name;
    EXPECT_TRUE(area.contains(frame->geometry()))
        << name << " at " << frame->x() << "," << frame->y() << " " << frame->width() << "x"
        << frame->height();
  }
  // The ADC panel's drawing keeps its designed size: the frame goes round it.
  auto* adc = main.findChild<QWidget*>("TADCForm");
  EXPECT_GE(adc->height(), 600);
  EXPECT_GE(adc->width(), 860);
}

TEST_F(MainPanelTest, AStartWithoutChipFilesSaysWhereTheyWereLookedFor) {
  Start();
  EXPECT_EQ(Status(1), "Chip folder not found: " + dir.string() + "/INCLUDE/");
}

TEST_F(MainPanelTest, ArrivingWindowEnablesItsCommandAndShowChildKeepsItsBounds) {
  Start();
  MainPanel& main = panel->Main();
  auto* ram = new QWidget;
  ram->setGeometry(10, 20, 300, 200);
  main.RegisterForm(app::FormId::TQx_RAM, ram);
  ASSERT_TRUE(Action("SMenu_RAM")->isEnabled());

  Action("SMenu_RAM")->trigger();
  EXPECT_FALSE(ram->isHidden());
  EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1);
  QWidget* frame = ram->parentWidget();
  frame->move(50, 60);
  main.ShowChild(app::FormId::TQx_RAM, 1, false);
  EXPECT_TRUE(ram->isHidden());
  main.ShowChild(app::FormId::TQx_RAM, 1, true);
  EXPECT_EQ(frame->pos(), QPoint(50, 60));
  EXPECT_EQ(main.PlacementTable()[1].Left, 50);

  bool readRam = false;
  main.RegisterCommand("Menu_ReadRAM", [&] { readRam = true; });
  Action("Menu_ReadRAM")->trigger();
  EXPECT_TRUE(readRam);
}

TEST_F(MainPanelTest, UsbScanOnTheSimulatedBoardNamesTheChipInTheTitles) {
  Start();
  auto* ram = new QWidget;
  panel->Main().RegisterForm(app::FormId::TQx_RAM, ram);
  ASSERT_EQ(panel->Bench().target.LinkKind, link::kLinkQx740x);

  Action("USBScan")->trigger();
  EXPECT_EQ(Status(0), "USB On Line");
  EXPECT_TRUE(panel->Bench().target.Usb.Opened);
  EXPECT_EQ(panel->Main().windowTitle().toStdString(),
            "Qx-740xTEST V1.4 ---- Now Chip is  7T404 (16k)");
  EXPECT_EQ(ram->windowTitle().toStdString(), "記憶體 - 7T404 (16k)");
}

TEST_F(MainPanelTest, UsbScanWithoutBridgeReportsNotConnected) {
  Start(/*attachBoard=*/false);
  Action("USBScan")->trigger();
  EXPECT_EQ(Status(0), "USB not Connect !!!");
  EXPECT_EQ(panel->Main().windowTitle().toStdString(), "Qx-740xTEST V1.4");
}

TEST_F(MainPanelTest, UsbScanDoesNothingOnSerialAndParallelLinks) {
  Start();
  for (uint16_t kind : {link::kLinkRs232, link::kLinkParallel}) {
    panel->Bench().target.LinkKind = kind;
    Action("USBScan")->trigger();
    EXPECT_TRUE(board->Bridge().Requests().empty()) << kind;
    EXPECT_EQ(Status(0), "");
  }
}

TEST_F(MainPanelTest, ClosingWithTheBridgeConnectedReleasesItBeforeClosingTheHandle) {
  Start();
  Action("USBScan")->trigger();
  ASSERT_TRUE(panel->Bench().target.Usb.Opened);
  EXPECT_EQ(board->Hid().OpenHandles(), 1u);
  board->Bridge().ClearRequests();

  CloseAndDestroy();
  EXPECT_EQ(Heads(board->Bridge().Requests(), 4),
            (std::vector<std::vector<uint8_t>>{{0xF9, 0x01, 0xFF, 0xFF}}));
  EXPECT_EQ(board->Hid().OpenHandles(), 0u);
}

TEST_F(MainPanelTest, ClosingWithoutABridgeSendsNothing) {
  Start();
  CloseAndDestroy();
  EXPECT_TRUE(board->Bridge().Requests().empty());
  EXPECT_TRUE(std::filesystem::exists(dir / "QxADC.cfg"));
}

}  // namespace
}  // namespace qx::gui::test

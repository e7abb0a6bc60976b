#include <qcustomplot.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cmath>

#include "PanelFixture.h"
#include "core/app/Workbench.h"
#include "gui/LcdArray.h"
#include "gui/analysis/AnxAdcForm.h"

namespace qx::gui::test {
namespace {

class AnxAdcFormTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    Start();
    Action("USBScan")->trigger();
    Action("Menu_ReadAdc")->trigger();
    form = &panel->AnxAdc();
  }
  template <typename T>
  T* Child(const char* name) {
    return form->findChild<T*>(name);
  }
  QString Text(const char* name) { return Child<QLabel>(name)->text(); }

  analysis::AnxAdcForm* form = nullptr;
};

TEST_F(AnxAdcFormTest, CatchAdcCapturesAndFillsGridAndPanels) {
  ASSERT_FALSE(form->isHidden());
  EXPECT_EQ(form->objectName(), "TAnxADC");
  Child<QComboBox>("NPointIndex")->setCurrentIndex(0);
  Child<QComboBox>("TXScale")->setCurrentIndex(15);
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Read Compelete");
  EXPECT_EQ(panel->Bench().capture.Count(), 64);
  const QAbstractItemModel* grid = form->Grid()->model();
  EXPECT_EQ(grid->rowCount(), 5);
  EXPECT_EQ(grid->data(grid->index(0, 16)).toString(), "0F");
  EXPECT_EQ(grid->data(grid->index(4, 0)).toString(), "0003");
  EXPECT_FALSE(grid->data(grid->index(1, 1)).toString().isEmpty());
  EXPECT_FALSE(Text("TXENOB").isEmpty());
  EXPECT_TRUE(Text("TXNrms").endsWith(QString(".") + Text("TXNrms").right(2)));
  EXPECT_TRUE(Child<QPushButton>("SaveData")->isEnabled());
  EXPECT_TRUE(Action("Menu_ReadRAM")->isEnabled());
}

TEST_F(AnxAdcFormTest, ReferenceThatIsNoPositiveNumberIsShownInTheStatusBar) {
  auto* reference = Child<QLineEdit>("EREFV");
  ASSERT_NE(reference, nullptr);
  reference->setText("2,4");
  EXPECT_EQ(Status(2), "Ref Volt \"2,4\" is not a positive number: the figures use 1.20 V");
  Child<QComboBox>("NPointIndex")->setCurrentIndex(0);
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Ref Volt \"2,4\" is not a positive number: the figures use 1.20 V");
  reference->setText("2.4");
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Read Compelete");
}

TEST_F(AnxAdcFormTest, CaptureStopsTheAdcPanelsContinuousReading) {
  QLabel* reading = panel->AdcForm().findChild<QLabel*>("BRDADC");
  ASSERT_NE(reading, nullptr);
  panel->Bench().monitor.continuousRead = true;  // as the panel's "Reading" switch leaves it
  panel->Host().RegImageChanged(base::Host::kWholeImage);
  ASSERT_EQ(reading->text().toStdString(), "Reading");
  Child<QComboBox>("NPointIndex")->setCurrentIndex(0);
  Child<QPushButton>("CatchADC")->click();
  EXPECT_FALSE(panel->Bench().monitor.continuousRead);
  EXPECT_EQ(reading->text().toStdString(), "STOP");
}

TEST_F(AnxAdcFormTest, SecondClickStopsTheCaptureWithReadError) {
  Child<QComboBox>("NPointIndex")->setCurrentIndex(10);
  QPushButton* button = Child<QPushButton>("CatchADC");
  bool disabledDuring = false;
  QTimer::singleShot(0, form, [&] {
    disabledDuring =
        !Child<QPushButton>("SaveData")->isEnabled() && !Action("Menu_ReadRAM")->isEnabled();
    button->click();
  });
  button->click();
  EXPECT_EQ(Status(2), "Read Error !!!!!");
  EXPECT_TRUE(disabledDuring);
  EXPECT_LT(panel->Bench().capture.Count(), 65536);
  EXPECT_EQ(panel->Bench().capture.idle, 1);
  EXPECT_TRUE(Child<QPushButton>("ShowChart")->isEnabled());
}

TEST_F(AnxAdcFormTest, CommandsThatWouldDisturbACaptureWaitForItsEnd) {
  Child<QComboBox>("NPointIndex")->setCurrentIndex(10);
  QPushButton* button = Child<QPushButton>("CatchADC");
  bool scanDisabled = false;
  bool readRamStaysOff = false;
  bool adcStaysOff = false;
  std::string refusal;
  QTimer::singleShot(0, form, [&] {
    scanDisabled = !Action("USBScan")->isEnabled() && !Action("RestoreADC")->isEnabled();
    // A menu sync (what a USB Scan's chip load runs) must not hand the commands back.
    panel->Main().SyncMenu();
    readRamStaysOff = !Action("Menu_ReadRAM")->isEnabled();
    adcStaysOff = !Action("USBScan")->isEnabled() &&
                  !panel->Main().findChild<QMenu*>("Menu_Option")->menuAction()->isEnabled();
    // A command reached another way is refused where the user sees it.
    Action("USBScan")->setEnabled(true);
    Action("USBScan")->trigger();
    refusal = Status(2);
    button->click();
  });
  button->click();
  EXPECT_TRUE(scanDisabled);
  EXPECT_TRUE(readRamStaysOff);
  EXPECT_TRUE(adcStaysOff);
  EXPECT_EQ(refusal, "\"USB Scan\" waits until the ADC capture ends");
  EXPECT_FALSE(panel->Main().CaptureRunning());
  for (const char* name : {"USBScan", "Menu_ReadRAM"})
    EXPECT_TRUE(Action(name)->isEnabled()) << name;
  EXPECT_TRUE(panel->Main().findChild<QMenu*>("Menu_Option")->menuAction()->isEnabled());
  // The chip hides some commands (a hidden one is never enabled); the rest are back.
  for (const char* name : {"Menu_ReadAdc", "SLEEP1", "RestoreADC"})
    EXPECT_EQ(Action(name)->isEnabled(), Action(name)->isVisible()) << name;
}

TEST_F(AnxAdcFormTest, FiguresCaptionsAndCodesShowWholeAtTheDefaultSize) {
  panel->Main().resize(1024, 700);
  panel->Main().show();
  Child<QComboBox>("NPointIndex")->setCurrentIndex(6);
  Child<QComboBox>("TXScale")->setCurrentIndex(15);
  Child<QPushButton>("CatchADC")->click();
  QApplication::processEvents();
  ASSERT_FALSE(Text("TXVPP").isEmpty());

  // The window and its frame lie inside the work area of a 1024 x 700 main window.
  QWidget* frame = form->parentWidget();
  EXPECT_TRUE(panel->Main().MdiArea()->viewport()->rect().contains(frame->geometry()))
      << frame->geometry().width() << "x" << frame->geometry().height();
  for (const char* name : {"TXENOB", "TXNFREE", "TXOffset", "TXVPP", "TXNrms"}) {
    auto* figure = Child<QLabel>(name);
    EXPECT_LE(figure->fontMetrics().horizontalAdvance(figure->text()),
              figure->contentsRect().width())
        << name << " " << figure->text().toStdString();
  }
  for (const char* name : {"TXVPPUnit", "TXNrmsUnit"}) {
    auto* unit = Child<QLabel>(name);
    ASSERT_NE(unit, nullptr) << name;
    EXPECT_EQ(unit->text(), "nV");
    EXPECT_TRUE(unit->isVisibleTo(form));
  }
  for (QPushButton* button : form->findChildren<QPushButton*>()) {
    if (!button->isVisibleTo(form)) continue;
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
  }
  // Every code of the grid fits its column.
  const QFontMetrics cells(form->Grid()->font());
  const QAbstractItemModel* grid = form->Grid()->model();
  for (int r = 1; r < grid->rowCount(); ++r)
    for (int c = 1; c < 17; ++c) {
      const QString code = grid->data(grid->index(r, c)).toString();
      ASSERT_LE(cells.horizontalAdvance(code), form->Grid()->columnWidth(c) - 4)
          << code.toStdString();
    }
}

TEST_F(AnxAdcFormTest, ValueAxisTicksFallOnWholeCodes) {
  // Ranges whose natural step would be 2.5, 0.5 or 0.2 codes.
  for (const QCPRange range : {QCPRange(2097150, 2097162), QCPRange(2097151, 2097153.4),
                               QCPRange(100, 101), QCPRange(0, 8388608)}) {
    QVector<double> ticks;
    QVector<QString> labels;
    form->Chart()->yAxis->ticker()->generate(range, QLocale::c(), 'f', 0, ticks, nullptr, &labels);
    ASSERT_FALSE(ticks.isEmpty());
    for (int i = 0; i < ticks.size(); ++i) {
      EXPECT_EQ(ticks[i], std::round(ticks[i])) << ticks[i];
      EXPECT_EQ(labels[i], QString::number(ticks[i], 'f', 0));
    }
  }
}

TEST_F(AnxAdcFormTest, ChartAndGridSwitchAndTheChartStartsEmpty) {
  QPushButton* show = Child<QPushButton>("ShowChart");
  EXPECT_EQ(show->text(), "Chang to Chart");
  show->click();
  EXPECT_EQ(show->text(), "Chang to vaule");
  EXPECT_TRUE(form->ChartShown());
  EXPECT_TRUE(form->Grid()->isHidden());
  EXPECT_EQ(form->Chart()->graph(0)->dataCount(), 0);
  EXPECT_EQ(form->Chart()->xAxis->label(), "Time  ms");
  EXPECT_EQ(form->Chart()->yAxis->label(), "Degree");
  EXPECT_EQ(form->Chart()->graph(0)->pen().color(), QColor(Qt::red));

  Child<QComboBox>("NPointIndex")->setCurrentIndex(1);
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(form->Chart()->graph(0)->dataCount(), 128);

  show->click();
  EXPECT_EQ(show->text(), "Chang to Chart");
  EXPECT_FALSE(form->ChartShown());
  EXPECT_FALSE(form->Grid()->isHidden());
}

TEST_F(AnxAdcFormTest, AveragingListReaveragesAndResizeKeepsTheMinimum) {
  Child<QComboBox>("NPointIndex")->setCurrentIndex(0);
  Child<QComboBox>("TXScale")->setCurrentIndex(15);
  Child<QPushButton>("CatchADC")->click();
  Child<QComboBox>("CMAVR")->setCurrentIndex(2);
  EXPECT_EQ(panel->Bench().capture.ReducedCount(), 16);
  EXPECT_TRUE(
      form->Grid()->model()->data(form->Grid()->model()->index(1, 1)).toString().contains('.'));
  form->resize(300, 100);
  EXPECT_GE(form->width(), analysis::AnxAdcForm::kMinWidth);
  EXPECT_GE(form->height(), analysis::AnxAdcForm::kMinHeight);
}

TEST_F(AnxAdcFormTest, SevenSegmentDisplayHasItsProperties) {
  auto* lcd = form->findChild<LcdArray*>("LCDADCP");
  ASSERT_NE(lcd, nullptr);
  EXPECT_EQ(lcd->size(), QSize(233, 60));
  EXPECT_EQ(lcd->Model().Digit(), 8);
  EXPECT_EQ(lcd->Model().SegWidth(), 10);
  EXPECT_EQ(lcd->Model().Margin(), 6);
  lcd->SetCaption("-12.5");
  lcd->Render();
  // The last cell shows 5: its upper left segment f is lit in blue, upper right b is not.
  const QImage& img = lcd->Image();
  EXPECT_EQ(img.size(), QSize(233, 60));
  const int cellLeft = 7 * (28 + 1);
  EXPECT_EQ(img.pixelColor(cellLeft + 10, 20), QColor(Qt::blue));
  EXPECT_NE(img.pixelColor(cellLeft + 28 - 6 - 1 - 15, 20), QColor(Qt::blue));
}

}  // namespace
}  // namespace qx::gui::test

#include <qcustomplot.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "PanelFixture.h"
#include "core/analysis/OutputRate.h"
#include "core/app/Workbench.h"
#include "gui/LcdArray.h"
#include "gui/analysis/AnxAdcForm.h"
#include "gui/analysis/NoiseViews.h"
#include "sim/SimFaultPlan.h"

namespace qx::gui::test {
namespace {

class AnxAdcFormTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    StartPanel();
    Action("Menu_ReadAdc")->trigger();
    form = &panel->AnxAdc();
  }
  virtual void StartPanel() {
    Start();
    Action("USBScan")->trigger();
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
  // The corner says which codes the cells hold, since Export writes others.
  const QModelIndex corner = grid->index(0, 0);
  EXPECT_EQ(grid->data(corner).toString(), "23b");
  EXPECT_EQ(grid->data(corner, Qt::ToolTipRole).toString().toStdString(),
            "Codes at the 23-bit Scale: the 24-bit code divided by 1. Export writes the 24-bit "
            "codes.");
  Child<QComboBox>("TXScale")->setCurrentIndex(0);
  EXPECT_EQ(grid->data(corner).toString(), "8b");
  EXPECT_NE(grid->data(corner, Qt::ToolTipRole).toString().indexOf("divided by 32768"), -1);
  EXPECT_LE(QFontMetrics(form->Grid()->font()).horizontalAdvance("23b"),
            form->Grid()->columnWidth(0) - 4)
      << "the corner shows whole";
  EXPECT_FALSE(Text("TXENOB").isEmpty());
  EXPECT_TRUE(Text("TXNrms").endsWith(QString(".") + Text("TXNrms").right(2)));
  EXPECT_TRUE(Child<QPushButton>("SaveData")->isEnabled());
  EXPECT_TRUE(Action("Menu_ReadRAM")->isEnabled());
}

TEST_F(AnxAdcFormTest, AFirstStartHasEveryListChosenAndAnEmptyListIsNamedInsteadOfCaptured) {
  // No QxADC.cfg: the lists start on 4096 points, 23 bits and no averaging.
  panel->Main().show();
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(Child<QComboBox>("NPointIndex")->currentText(), "4096");
  EXPECT_EQ(Child<QComboBox>("TXScale")->currentText(), "23");
  EXPECT_EQ(Child<QComboBox>("CMAVR")->currentText(), "1");

  // A file of an older start keeps "no item" in a list: the capture names it and measures nothing.
  base::Settings& s = panel->Bench().settings;
  const struct {
    int* item;
    const char* status;
  } empty[] = {{&s.NPointIndex, "Catch ADC: choose a Sample Point first"},
               {&s.ScaleIndex, "Catch ADC: choose a Scale first"},
               {&s.CMAVR, "Catch ADC: choose a Avr. Times first"}};
  for (const auto& e : empty) {
    SCOPED_TRACE(e.status);
    s.NPointIndex = 0;
    s.ScaleIndex = 15;
    s.CMAVR = 0;
    *e.item = -1;
    panel->Host().SetStatus(2, "");
    Child<QPushButton>("CatchADC")->click();
    EXPECT_EQ(Status(2), e.status);
    EXPECT_EQ(panel->Bench().capture.Count(), 0);
    EXPECT_TRUE(Text("TXENOB").isEmpty());
  }
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

TEST_F(AnxAdcFormTest, FiguresOfACaptureCutByALostBridgeAreMarkedWithTheReason) {
  Child<QComboBox>("NPointIndex")->setCurrentIndex(6);  // 4096
  std::string why;
  const auto plan = sim::SimFaultPlan::Parse(
      "unplug@" + std::to_string(board->Bridge().RequestCount() + 40), why);
  ASSERT_TRUE(plan) << why;
  board->Bridge().SetFaultPlan(*plan);
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Read Error !!!!!");
  EXPECT_EQ(Status(0), "USB not Connect !!!");
  const int count = panel->Bench().capture.Count();
  ASSERT_GT(count, 0);
  ASSERT_LT(count, 4096);
  EXPECT_EQ(Text("FiguresNote"), QString("partial: figures of %1 of 4096 samples (USB not "
                                         "Connect !!!)")
                                     .arg(count));
  EXPECT_FALSE(Child<QLabel>("FiguresNote")->isHidden());

  // Back on the bus: a whole capture clears the mark.
  board->Bridge().Replug();
  Action("USBScan")->trigger();
  Child<QPushButton>("CatchADC")->click();
  EXPECT_EQ(Status(2), "Read Compelete");
  EXPECT_EQ(Text("FiguresNote"), "");
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

TEST_F(AnxAdcFormTest, CaptionsOfTheSettingsStandApart) {
  panel->Main().show();
  QApplication::processEvents();
  // Each caption sits over its list, left-aligned: its text must end well before the next
  // caption starts, or "Sample Point" and "Scale" read as one.
  const char* order[] = {"Sample Point", "Scale", "Ref Volt", "Avr. Times"};
  std::vector<const QLabel*> captions;
  for (const char* text : order)
    for (const QLabel* label : form->findChildren<QLabel*>())
      if (label->text() == text && label->isVisibleTo(form)) captions.push_back(label);
  ASSERT_EQ(captions.size(), std::size(order));
  for (size_t i = 0; i + 1 < captions.size(); ++i) {
    const QLabel* a = captions[i];
    const int textEnd =
        a->mapTo(form, QPoint(a->fontMetrics().horizontalAdvance(a->text()), 0)).x();
    const int nextStart = captions[i + 1]->mapTo(form, QPoint(0, 0)).x();
    EXPECT_GE(nextStart - textEnd, 8) << order[i] << " / " << order[i + 1];
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

// The histogram, spectrum, unit list, export and chart pictures of the window.
class AnxAdcNoiseViewsTest : public AnxAdcFormTest {
 protected:
  /// The shipped chip, so the gains and the output rate come from its registers.
  void StartPanel() override { StartConnected(); }
  /// A capture of 2^(6+index) points at 23 bits.
  void Capture(int pointIndex) {
    Child<QComboBox>("NPointIndex")->setCurrentIndex(pointIndex);
    Child<QComboBox>("TXScale")->setCurrentIndex(15);
    Child<QPushButton>("CatchADC")->click();
    ASSERT_EQ(Status(2), "Read Compelete");
  }
  QString Figure(analysis::FigureChartView* view, const char* caption) {
    auto* label = view->findChild<QLabel*>(caption);
    return label ? label->text() : QString("(no figure \"%1\")").arg(caption);
  }
  std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  QTabWidget* Pages() { return Child<QTabWidget>("AnalysisPages"); }
};

TEST_F(AnxAdcNoiseViewsTest, HistogramCountsEverySampleAndSetsPeakToPeakAgainstSixSigma) {
  // The page shown during the capture is redrawn when it ends.
  Pages()->setCurrentIndex(1);
  Capture(6);  // 4096 points
  analysis::HistogramView* view = form->Histogram();
  auto* bars = qobject_cast<QCPBars*>(view->Chart()->plottable(0));
  ASSERT_NE(bars, nullptr);
  double total = 0;
  for (auto it = bars->data()->begin(); it != bars->data()->end(); ++it) total += it->value;
  EXPECT_EQ(total, 4096);
  EXPECT_EQ(Figure(view, "Samples"), "4096");
  // The measured peak-to-peak is the statistics' own, in codes and in the unit chosen (nV).
  const auto& f = panel->Bench().noise.groups[0];
  EXPECT_TRUE(Figure(view, "Peak-to-peak (measured)")
                  .startsWith(QString::number(f.vppCodes, 'f', 2) + " codes  ("))
      << Figure(view, "Peak-to-peak (measured)").toStdString();
  // Gaussian noise of 4096 samples spans about 6.6 sigma.
  const double ratio = Figure(view, "Measured / 6.6 σ").toDouble();
  EXPECT_GT(ratio, 0.7);
  EXPECT_LT(ratio, 1.4);
  EXPECT_GT(view->Chart()->graph(0)->dataCount(), 100);  // the Gaussian curve
}

TEST_F(AnxAdcNoiseViewsTest, SpectrumOfTheSimulatedWhiteNoiseIntegratesToTheRmsNoise) {
  board->Target().SetOutputNoiseCodes(0);
  board->Target().SetInputNoiseNv(600);
  Capture(8);  // 16384 points
  Pages()->setCurrentIndex(2);
  analysis::SpectrumView* view = form->Spectrum();
  ASSERT_GT(view->Chart()->graph(0)->dataCount(), 100);
  const QString difference = Figure(view, "Difference");
  ASSERT_TRUE(difference.endsWith(" %")) << difference.toStdString();
  EXPECT_LT(std::abs(difference.chopped(2).toDouble()), 3.0) << difference.toStdString();
  // The frequency axis ends at half the output rate the registers select.
  const std::optional<double> registers = qx::analysis::OutputRateSps(panel->Bench().chip);
  ASSERT_TRUE(registers.has_value());
  const double rate = *registers;
  const auto last = view->Chart()->graph(0)->data()->end() - 1;
  EXPECT_DOUBLE_EQ(last->key, rate / 2);
  // White noise: the density in nV/√Hz is flat, about sigma / sqrt(rate / 2).
  const double sigmaNv = panel->Bench().noise.groups[0].rmsNv;
  const double expected = sigmaNv / std::sqrt(rate / 2);
  std::vector<double> densities;
  for (const auto& point : *view->Chart()->graph(0)->data()) densities.push_back(point.value);
  std::nth_element(densities.begin(), densities.begin() + densities.size() / 2, densities.end());
  // The median of an averaged chi-square spectrum sits a little below its mean.
  EXPECT_NEAR(densities[densities.size() / 2] / expected, 0.97, 0.08);
  // The level scale reads in dB re full scale.
  view->findChild<QComboBox*>("SpectrumScale")->setCurrentIndex(1);
  EXPECT_EQ(view->Chart()->yAxis->label(), "dB re full scale");
  EXPECT_LT(view->Chart()->graph(0)->data()->begin()->value, -100);
}

TEST_F(AnxAdcNoiseViewsTest, TheUnitListConvertsTheNoisePanelsAndNamesTheUnit) {
  Capture(2);
  const QString nanovolts = Text("TXNrms");
  auto* unit = Child<QComboBox>("NoiseUnit");
  ASSERT_EQ(unit->currentText(), "nV");
  const auto& f = panel->Bench().noise.groups[0];
  unit->setCurrentIndex(0);
  EXPECT_EQ(Text("TXNrms"), QString::number(f.rmsCodes, 'f', 2));
  EXPECT_EQ(Text("TXNrmsUnit"), "codes");
  EXPECT_EQ(Text("TXVPPUnit"), "codes");
  unit->setCurrentIndex(2);
  EXPECT_EQ(Text("TXNrmsUnit"), QString::fromUtf8("µV"));
  EXPECT_NEAR(Text("TXNrms").toDouble(), f.rmsNv / 1000, f.rmsNv / 1000 * 1e-3);
  unit->setCurrentIndex(3);
  EXPECT_EQ(Text("TXVPPUnit"), "ppm FS");
  EXPECT_NEAR(Text("TXVPP").toDouble(), f.vppCodes * 1e6 / 8388608.0, 1e-3);
  unit->setCurrentIndex(1);
  EXPECT_EQ(Text("TXNrms"), nanovolts);
}

TEST_F(AnxAdcNoiseViewsTest, ExportWritesEveryStreamedCodeUnderTheSettings) {
  QString asked;
  QString suggested;
  form->SetFileChooser([&](const QString& caption, const QString& name, const QString&) {
    asked = caption;
    suggested = name;
    return QString::fromStdString((dir / "export.csv").string());
  });
  Child<QPushButton>("ExportData")->click();
  EXPECT_EQ(Status(2), "Export: no samples yet, Catch ADC first");
  EXPECT_TRUE(asked.isEmpty());

  Capture(0);
  Child<QPushButton>("ExportData")->click();
  // The dialog opens in the program folder, not wherever the program was started from.
  EXPECT_EQ(std::filesystem::path(suggested.toStdString()), dir / "QxADC-export.csv");
  const std::string path = (dir / "export.csv").string();
  EXPECT_EQ(Status(2), "Exported 64 samples to " + path);
  std::istringstream lines(FileText(path));
  std::string line;
  int header = 0;
  std::vector<long> codes;
  while (std::getline(lines, line)) {
    ASSERT_TRUE(line.ends_with('\r')) << line;
    line.pop_back();
    if (line.starts_with("# ")) {
      ++header;
      continue;
    }
    if (line == "index,code,volts") continue;
    const size_t comma = line.find(',');
    EXPECT_EQ(std::stol(line.substr(0, comma)), static_cast<long>(codes.size()));
    codes.push_back(std::stol(line.substr(comma + 1)));
  }
  EXPECT_GT(header, 8);
  const auto& capture = panel->Bench().capture;
  ASSERT_EQ(codes.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(codes[static_cast<size_t>(i)], capture.StreamedCodes()[static_cast<size_t>(i)]);
    // "Catch ADC" halves the code: the display code at 23 bits is half the streamed one.
    EXPECT_EQ(std::floor(static_cast<double>(codes[static_cast<size_t>(i)]) / 2),
              capture.Cells().Values()[i]);
  }

  // A folder that is not there: the error, and no file.
  const std::string nowhere = (dir / "none" / "export.csv").string();
  EXPECT_FALSE(form->ExportCapture(nowhere));
  EXPECT_EQ(Status(2).rfind(nowhere + ": ", 0), 0u) << Status(2);
}

TEST_F(AnxAdcNoiseViewsTest, SaveChartWritesThePageShownAsPngOrSvg) {
  Capture(2);
  Pages()->setCurrentIndex(1);
  const QString svg = QString::fromStdString((dir / "histogram.svg").string());
  form->SetFileChooser([&](const QString&, const QString&, const QString&) { return svg; });
  Child<QPushButton>("SaveChart")->click();
  EXPECT_EQ(Status(2), "Chart saved to " + svg.toStdString());
  const std::string text = FileText(svg.toStdString());
  EXPECT_NE(text.find("<svg"), std::string::npos);
  EXPECT_NE(text.find("Samples per bin"), std::string::npos);
  // The time plot, while the grid covers it.
  Pages()->setCurrentIndex(0);
  ASSERT_FALSE(form->ChartShown());
  const QString png = QString::fromStdString((dir / "time.png").string());
  ASSERT_TRUE(form->SaveChart(png));
  EXPECT_EQ(FileText(png.toStdString()).substr(0, 4), "\x89PNG");
  EXPECT_EQ(form->Chart()->graph(0)->dataCount(), panel->Bench().capture.ChartCount());
}

}  // namespace
}  // namespace qx::gui::test

#include "gui/autotest/TempTestWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/FormId.h"
#include "core/app/MainMenu.h"
#include "core/app/Workbench.h"
#include "core/autotest/MemoryRunJournal.h"
#include "core/autotest/RunReport.h"
#include "gui/MainPanel.h"
#include "gui/autotest/TempChartPage.h"
#include "gui/autotest/TempDriftPage.h"
#include "gui/autotest/TempGridModel.h"
#include "platform/AnsiText.h"
#include "platform/FlockRunLock.h"
#include "platform/SqliteRunJournal.h"

namespace qx::gui::autotest {

using qx::autotest::RegisterListFiles;
using qx::autotest::TempForm;
using qx::autotest::TempTest;

TempTestWindow::TempTestWindow(app::Workbench& bench, MainPanel& main, std::string programDir,
                               QWidget* parent)
    : QWidget(parent),
      bench_(bench),
      main_(main),
      programDir_(std::move(programDir)),
      test_(bench.tempTest),
      presenter_(bench.tempTest, bench.host, programDir_) {
  hide();
  setWindowTitle("Temperature Test");
  pages_ = new QTabWidget(this);
  pages_->setObjectName("Pages");
  pages_->addTab(BuildTestPage(), "Test");
  chart_ = new TempChartPage(
      presenter_, programDir_, [this](const QString& t) { SetStatus(t); }, pages_);
  pages_->addTab(chart_, "Chart");
  drift_ = new TempDriftPage(presenter_, pages_);
  pages_->addTab(drift_, "Drift");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(pages_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(kResultTimerMs);
  connect(timer1_, &QTimer::timeout, this, [this] {
    if (!dataModel_->Sync()) dataModel_->Repaint();
  });

  OpenJournal();
  test_.onChanged = [this] { Refresh(); };
  test_.onProgress = [this](const qx::autotest::TempProgress& p) {
    // A run that started or resumed: its rows so far are in the journal.
    if (test_.RunId() != driftRun_) ReloadDrift();
    ShowProgress(p);
  };
  test_.onModeFinished = [this](int point, int mode) {
    presenter_.ModeFinished(point, mode);
    ReloadDrift();
    chart_->Update();
  };
  // What the run reports at once (a failed mode, the wait for the bridge) is read from afar.
  test_.onNotice = [this](const std::string& text) { SetStatus(QString::fromStdString(text)); };
  // The analysis window's reference-voltage field shows the text each mode captures with.
  test_.onReferenceText = [this](const std::string& text) {
    if (auto* refv = main_.findChild<QLineEdit*>("EREFV"))
      refv->setText(QString::fromStdString(text));
  };
  presenter_.hooks.makeLock = [this] {
    return std::make_unique<qx::platform::FlockRunLock>(programDir_ / qx::autotest::kRunLockFile);
  };
  presenter_.hooks.chamberOpen = [this] { return bench_.instruments.ChamberPort.IsOpen(); };
  presenter_.hooks.askUnfinished = [this](const std::string& command) {
    return AskUnfinished(QString::fromStdString(command));
  };
  presenter_.hooks.runStarting = [this] {
    chart_->Update();
    progress_->clear();
  };
  RegisterMenuCommands();
  main_.installEventFilter(this);

  resize(kDefaultWidth, kDefaultHeight);
  Refresh();
  SizeColumns();
  ReloadDrift();
  chart_->Update();
}

void TempTestWindow::ReloadDrift() {
  driftRun_ = test_.RunId();
  std::vector<qx::autotest::ModeRecord> rows;
  int bits = 0;
  if (driftRun_ > 0) {
    rows = journal_->Modes(driftRun_);
    if (const auto settings = journal_->Settings(driftRun_)) bits = settings->captureBits;
  }
  presenter_.SetRunRows(rows, bits);
  drift_->Update();
}

TempTestWindow::~TempTestWindow() {
  test_.onChanged = nullptr;
  test_.onProgress = nullptr;
  test_.onModeFinished = nullptr;
  test_.onNotice = nullptr;
  test_.onReferenceText = nullptr;
  test_.SetJournal(nullptr);
}

void TempTestWindow::OpenJournal() {
  test_.SetFiles(programDir_, platform::ToCodePage950);
  std::string error;
  journal_ = platform::SqliteRunJournal::Open(programDir_ / qx::autotest::kRunJournalFile, error);
  if (!journal_) {
    journal_ = std::make_unique<qx::autotest::MemoryRunJournal>();
    journalWarning_ = QString::fromStdString(
        "Run journal " + (programDir_ / qx::autotest::kRunJournalFile).string() +
        " cannot be opened (" + error +
        "): runs are kept in memory only and cannot be resumed after the program ends");
    SetStatus(journalWarning_);
  }
  test_.SetJournal(journal_.get());
  test_.resume = TempTest::Resume::Ask;
}

void TempTestWindow::RegisterMenuCommands() {
  static constexpr std::pair<const char*, ListOperation> kLists[] = {
      {"SaveReg1", &RegisterListFiles::SaveReg},
      {"DownloadReg1", &RegisterListFiles::DownloadReg},
      {"SaveFluke1", &RegisterListFiles::SaveFluke},
      {"DownLoadFluke1", &RegisterListFiles::DownloadFluke},
      {"SavePower1", &RegisterListFiles::SavePower},
      {"DownloadPower1", &RegisterListFiles::DownloadPower},
  };
  for (const auto& [name, operation] : kLists)
    main_.RegisterCommand(name, [this, name, operation] { ListCommand(name, operation); });
  main_.RegisterCommand("Regist", [this] { RegistClick(); });
}

void TempTestWindow::RegistClick() {
  timer1_->start();
  main_.ShowChild(app::FormId::TTMP, app::InfoOf(app::FormId::TTMP).PlacementIndex, true);
  raise();
}

void TempTestWindow::SetStatus(const QString& text) {
  main_.SetStatusText(2, text);
}

void TempTestWindow::ListCommand(const char* objectName, ListOperation operation) {
  const QString caption = QString::fromUtf8(app::MainMenu::Find(objectName)->Caption);
  if (RefusedDuringRun(caption)) return;
  const int modes = test_.Modenum();
  RegisterListFiles lists(test_.regs, test_.data, bench_.flukeSteps, bench_.powerSteps, bench_.host,
                          programDir_);
  const qx::autotest::ListFileReport report = (lists.*operation)(modes);
  SetStatus(QString::fromStdString(report.message));
  Refresh();
}

std::optional<std::string> TempTestWindow::RunTest(bool withChamber) {
  const std::optional<std::string> end = presenter_.Run(withChamber);
  if (!end) return end;
  EndProgress(QString::fromStdString(*end));
  chart_->Update();
  Refresh();
  if (closeAfterRun_ && !RunActive()) {
    closeAfterRun_ = false;
    main_.close();
  }
  return end;
}

std::string TempTestWindow::RunForClient(bool withChamber,
                                         app::TempRunStarter::Unfinished unfinished) {
  using Unfinished = app::TempRunStarter::Unfinished;
  if (unfinished == Unfinished::Refuse) {
    // A script cannot answer the window's question: it says RESume or NEW with its start.
    if (const std::string open = test_.UnfinishedRun(); !open.empty())
      return open + " RESume continues it; NEW abandons it.";
  }
  test_.resume =
      unfinished == Unfinished::Resume ? TempTest::Resume::Always : TempTest::Resume::Never;
  const std::optional<std::string> end = RunTest(withChamber);
  test_.resume = TempTest::Resume::Ask;
  if (!end) return main_.StatusText(2).toStdString();
  // Only a completion with every mode measured passes: "Run N completed: P points x M modes".
  const bool completed =
      test_.FailedModes().empty() && end->find(" completed: ") != std::string::npos;
  return completed ? std::string() : *end;
}

bool TempTestWindow::AskUnfinished(const QString& command) {
  const std::string open = test_.UnfinishedRun();
  if (open.empty()) return true;
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  QString::fromStdString(open) +
                      "\n\nResume it at its next point and mode, or start a new run (the "
                      "unfinished one is then abandoned)?",
                  QMessageBox::NoButton, this);
  box.setObjectName("UnfinishedRun");
  QPushButton* resume = box.addButton("Resume", QMessageBox::AcceptRole);
  QPushButton* fresh = box.addButton("Start new", QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(resume);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == resume) {
    test_.resume = TempTest::Resume::Always;
    return true;
  }
  if (box.clickedButton() == fresh) {
    test_.resume = TempTest::Resume::Never;
    return true;
  }
  SetStatus(command + " cancelled: " + QString::fromStdString(open) + " It stays as it is.");
  return false;
}

void TempTestWindow::ShowProgress(const qx::autotest::TempProgress& progress) {
  const QString text = QString::fromStdString(progress.Text());
  progress_->setText(text);
  // The gauge says where the run is, not only how far; it widens to its text for the run.
  if (auto* gauge = main_.findChild<QProgressBar*>("Gauge1")) {
    gauge->setFormat(QString::fromStdString(qx::autotest::TempRunPresenter::GaugeFormat(progress)));
    gauge->setToolTip(text);
    gauge->setMinimumWidth(gauge->fontMetrics().horizontalAdvance(gauge->text()) + 24);
  }
}

void TempTestWindow::EndProgress(const QString& text) {
  progress_->setText(text);
  if (auto* gauge = main_.findChild<QProgressBar*>("Gauge1")) {
    gauge->setFormat("%p%");
    gauge->setToolTip({});
    gauge->setMinimumWidth(0);
  }
}

void TempTestWindow::Refresh() {
  syncing_ = true;
  const TempForm& f = test_.form;
  const std::pair<QLineEdit*, const std::string*> boxes[] = {
      {tempCount_, &f.tempCount},      {tempStart_, &f.tempStart},     {tempStep_, &f.tempStep},
      {modeCount_, &f.modeCount},      {holdMinutes_, &f.holdMinutes}, {powerDelay_, &f.powerDelay},
      {linkWait_, &f.linkWaitMinutes}, {device_, &f.device},           {note_, &f.note},
  };
  for (const auto& [box, text] : boxes) {
    const QString shown = QString::fromStdString(*text);
    if (box->text() != shown) box->setText(shown);
  }
  measure_->setCurrentIndex(static_cast<int>(f.measure));
  capture_->setCurrentIndex(static_cast<int>(f.capture));
  fullFiles_->setChecked(f.fullFiles);
  keepOperating_->setChecked(f.keepOperating);
  adcAndTemp_->setChecked(f.adcAndTemp);
  lock330mV_->setChecked(f.lock330mV);
  lock3V_->setChecked(f.lock3V);
  tBg_->setEnabled(presenter_.BeginEnabled());
  tTest_->setEnabled(presenter_.TestEnabled());
  // The analysis window's capture button waits while a mode of the test captures.
  if (test_.captureEnabled != captureShown_) {
    captureShown_ = test_.captureEnabled;
    if (auto* catchAdc = main_.findChild<QPushButton*>("CatchADC"))
      catchAdc->setEnabled(captureShown_);
  }
  syncing_ = false;
  tempsModel_->Sync();
  regsModel_->Sync();
  dataModel_->Sync();
}

QCustomPlot* TempTestWindow::Chart() const {
  return chart_->Plot();
}

void TempTestWindow::UpdateChart() {
  chart_->Update();
}

bool TempTestWindow::SaveChartPng(const QString& path) {
  return chart_->SavePng(path);
}

bool TempTestWindow::ReportClick() {
  // The run of this window, else the journal's last.
  int64_t run = test_.RunId();
  if (run == 0 && journal_) {
    for (const qx::autotest::RunSummary& r : journal_->List()) run = std::max(run, r.id);
  }
  if (run == 0 || !journal_) {
    SetStatus("Report: no run in the journal yet");
    return false;
  }
  const QString offered =
      QString::fromStdString((programDir_ / ("QxRun-" + std::to_string(run) + ".html")).string());
  const QString path =
      chooseReport_ ? chooseReport_(offered)
                    : QFileDialog::getSaveFileName(this, "Report", offered, "HTML pages (*.html)");
  if (path.isEmpty()) return false;  // the dialog was cancelled
  std::string error;
  if (!qx::autotest::WriteRunReport(*journal_, run, path.toStdString(), error)) {
    SetStatus("Report of run " + QString::number(run) +
              " not written: " + QString::fromStdString(error));
    return false;
  }
  SetStatus("Report of run " + QString::number(run) + " written to " + path);
  return true;
}

void TempTestWindow::SetPngChooser(std::function<QString()> choose) {
  chart_->SetPngChooser(std::move(choose));
}

void TempTestWindow::closeEvent(QCloseEvent* event) {
  // Closing only hides the window; a run in progress ends at its next check.
  if (test_.Running || RunActive()) {
    test_.Stop();
    SetStatus("Temperature test stopped: its window was closed");
  }
  timer1_->stop();
  event->ignore();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->hide();
  hide();
}

void TempTestWindow::hideEvent(QHideEvent* event) {
  // Hidden by the main window (its close sequence); a minimised frame keeps the timer.
  const auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!event->spontaneous() && !(frame && frame->isMinimized())) timer1_->stop();
  QWidget::hideEvent(event);
}

bool TempTestWindow::eventFilter(QObject* watched, QEvent* event) {
  // The program does not close under a running test: the test is stopped, and the main window
  // closes once the run has unwound and written its files.
  if (watched == &main_ && event->type() == QEvent::Close && RunActive()) {
    test_.Stop();
    closeAfterRun_ = true;
    event->ignore();
    SetStatus("Stopping the temperature test; the program closes when its run has ended");
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qx::gui::autotest

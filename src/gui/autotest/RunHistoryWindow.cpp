#include "gui/autotest/RunHistoryWindow.h"

#include <qcustomplot.h>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "core/autotest/RunExport.h"
#include "core/autotest/RunHistory.h"
#include "core/autotest/TempResultFiles.h"
#include "core/autotest/TempRunPresenter.h"
#include "gui/MainPanel.h"
#include "platform/AnsiText.h"
#include "platform/SqliteRunJournal.h"

namespace qx::gui::autotest {

namespace {

using qx::autotest::RunHistory;

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& headers) {
  auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  t->setObjectName(name);
  t->setHorizontalHeaderLabels(headers);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->verticalHeader()->setVisible(false);
  t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return t;
}

void Fill(QTableWidget* t, const std::vector<std::vector<std::string>>& rows) {
  t->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < t->rowCount(); ++r) {
    const auto& cells = rows[static_cast<size_t>(r)];
    for (int c = 0; c < t->columnCount() && c < static_cast<int>(cells.size()); ++c)
      t->setItem(r, c, new QTableWidgetItem(QString::fromStdString(cells[static_cast<size_t>(c)])));
  }
}

QString Number(double v, int decimals) {
  return QString::number(v, 'f', decimals);
}

}  // namespace

RunHistoryWindow::RunHistoryWindow(std::filesystem::path programDir, MainPanel& main,
                                   std::function<int64_t()> activeRun, QWidget* parent)
    : QWidget(parent, Qt::Window),
      programDir_(std::move(programDir)),
      main_(main),
      activeRun_(std::move(activeRun)) {
  setObjectName("RunHistory");
  setWindowTitle("Run History");
  resize(1100, 720);
  auto* v = new QVBoxLayout(this);
  auto* split = new QSplitter(Qt::Vertical, this);
  v->addWidget(split, 1);

  QStringList heads;
  for (const char* h : RunHistory::kHeaders) heads << QString::fromUtf8(h);
  runs_ = Table(split, "RunList", heads);
  runs_->setSelectionBehavior(QAbstractItemView::SelectRows);
  runs_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  runs_->setToolTip("Choose one run for its results, chart and drift; two to four for one chart");
  split->addWidget(runs_);

  auto* tabs = new QTabWidget(split);
  tabs->setObjectName("RunPages");
  results_ = Table(tabs, "RunResults",
                   {"Point", "Mode", "Target °C", "Chamber °C", "State", "Mean codes",
                    "RMS noise nV", "Vp-p noise nV", "ENOB bits"});
  tabs->addTab(results_, "Results");
  auto* chartPage = new QWidget(tabs);
  auto* cv = new QVBoxLayout(chartPage);
  auto* modeRow = new QHBoxLayout;
  auto* modeLabel = new QLabel("Mode", chartPage);
  mode_ = new QSpinBox(chartPage);
  mode_->setObjectName("ChartMode");
  mode_->setRange(1, 10000);
  modeLabel->setBuddy(mode_);
  modeRow->addWidget(modeLabel);
  modeRow->addWidget(mode_);
  modeRow->addWidget(new QLabel("mean (codes) against temperature (°C); dashed: the fitted line"));
  modeRow->addStretch(1);
  cv->addLayout(modeRow);
  chart_ = new QCustomPlot(chartPage);
  chart_->setObjectName("RunChart");
  chart_->xAxis->setLabel("Temperature (°C)");
  chart_->yAxis->setLabel("Mean (codes)");
  chart_->legend->setVisible(true);
  cv->addWidget(chart_, 1);
  tabs->addTab(chartPage, "Chart");
  auto* driftPage = new QWidget(tabs);
  auto* dv = new QVBoxLayout(driftPage);
  QStringList driftHeads;
  for (const char* h : qx::autotest::TempRunPresenter::DriftTable::kHeaders)
    driftHeads << QString::fromUtf8(h);
  drift_ = Table(driftPage, "RunDrift", driftHeads);
  path_ = new QLabel(driftPage);
  path_->setObjectName("RunPathDrift");
  dv->addWidget(drift_, 1);
  dv->addWidget(path_);
  tabs->addTab(driftPage, "Drift");
  split->addWidget(tabs);
  split->setSizes({260, 420});

  auto* buttons = new QHBoxLayout;
  const auto button = [this, buttons](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(name);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* refresh = button("RunRefresh", "Refresh");
  QPushButton* exportRun = button("RunExport", "Export…");
  QPushButton* report = button("RunReportFile", "Report…");
  QPushButton* remove = button("RunDelete", "Delete…");
  QPushButton* resumeRun = button("RunResume", "Resume");
  resumeRun->setToolTip("Continue the journal's unfinished run at its next point and mode");
  buttons->addStretch(1);
  v->addLayout(buttons);

  connect(refresh, &QPushButton::clicked, this, &RunHistoryWindow::Refresh);
  connect(exportRun, &QPushButton::clicked, this, [this] { ExportClick(); });
  connect(report, &QPushButton::clicked, this, [this] { ReportClick(); });
  connect(remove, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(resumeRun, &QPushButton::clicked, this, [this] { ResumeClick(); });
  connect(runs_, &QTableWidget::itemSelectionChanged, this, [this] {
    if (!filling_) ShowChosen();
  });
  connect(mode_, &QSpinBox::valueChanged, this, [this] { DrawChart(); });
}

RunHistoryWindow::~RunHistoryWindow() = default;

void RunHistoryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

void RunHistoryWindow::Say(const QString& text) {
  main_.SetStatusText(2, text);
}

std::unique_ptr<qx::autotest::RunJournal> RunHistoryWindow::Open() {
  const auto file = programDir_ / qx::autotest::kRunJournalFile;
  // Looking never makes a journal: a folder without runs stays without the file.
  if (!std::filesystem::exists(file)) {
    Say("Run History: no run journal in " + QString::fromStdString(programDir_.string()) + " yet");
    return nullptr;
  }
  std::string error;
  auto journal = platform::SqliteRunJournal::Open(file, error);
  if (!journal) Say("Run History: " + QString::fromStdString(error));
  return journal;
}

void RunHistoryWindow::Refresh() {
  const std::vector<int64_t> chosen = Chosen();
  list_.clear();
  if (auto journal = Open()) list_ = journal->List();
  const int64_t active = activeRun_ ? activeRun_() : 0;
  std::vector<std::vector<std::string>> rows;
  for (const auto& run : list_) rows.push_back(RunHistory::RowOf(run, active));
  filling_ = true;
  runs_->clearSelection();
  Fill(runs_, rows);
  filling_ = false;
  Choose(chosen);
}

void RunHistoryWindow::Choose(const std::vector<int64_t>& runs) {
  filling_ = true;
  runs_->clearSelection();
  for (size_t r = 0; r < list_.size(); ++r) {
    if (std::find(runs.begin(), runs.end(), list_[r].id) == runs.end()) continue;
    runs_->selectionModel()->select(runs_->model()->index(static_cast<int>(r), 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  filling_ = false;
  ShowChosen();
}

std::vector<int64_t> RunHistoryWindow::Chosen() const {
  std::vector<int64_t> ids;
  for (const QModelIndex& row : runs_->selectionModel()->selectedRows()) {
    const auto r = static_cast<size_t>(row.row());
    if (r < list_.size()) ids.push_back(list_[r].id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

void RunHistoryWindow::ShowChosen() {
  shown_.clear();
  std::vector<int64_t> ids = Chosen();
  if (ids.size() > RunHistory::kMaxOverlay) {
    Say(QString("Run History: the chart shows the first %1 of the %2 runs chosen")
            .arg(RunHistory::kMaxOverlay)
            .arg(ids.size()));
    ids.resize(RunHistory::kMaxOverlay);
  }
  if (!ids.empty()) {
    if (auto journal = Open()) {
      for (const int64_t id : ids) {
        std::string error;
        if (auto run = qx::autotest::LoadRunReport(*journal, id, error))
          shown_.push_back(std::move(*run));
        else
          Say("Run History: " + QString::fromStdString(error));
      }
    }
  }
  // The first run chosen: its rows and drift.
  std::vector<std::vector<std::string>> rows;
  if (!shown_.empty()) {
    for (const auto& r : shown_.front().rows) {
      const bool failed = !r.failure.empty();
      const std::string state = failed            ? "failed: " + r.failure
                                : r.overRange > 0 ? "over range"
                                                  : "measured";
      rows.push_back({std::to_string(r.point), std::to_string(r.mode),
                      Number(r.targetTemp, 2).toStdString(),
                      r.chamberTemp ? Number(*r.chamberTemp, 2).toStdString() : "", state,
                      failed ? "" : Number(r.stats[0], 2).toStdString(),
                      failed ? "" : Number(r.stats[2], 1).toStdString(),
                      failed ? "" : Number(r.stats[1], 1).toStdString(),
                      failed ? "" : Number(r.stats[3], 2).toStdString()});
    }
  }
  Fill(results_, rows);
  const auto drift = qx::autotest::TempRunPresenter::DriftTableOf(
      shown_.empty() ? std::vector<qx::autotest::ModeDrift>() : shown_.front().drift);
  Fill(drift_, shown_.empty() ? std::vector<std::vector<std::string>>() : drift.rows);
  path_->setText(shown_.empty() ? QString() : QString::fromStdString(drift.path));
  DrawChart();
}

void RunHistoryWindow::DrawChart() {
  chart_->clearGraphs();
  chart_->clearItems();
  const int mode = mode_->value();
  for (size_t i = 0; i < shown_.size(); ++i) {
    const RunHistory::Line line = RunHistory::MeanOfMode(shown_[i], mode);
    const QColor colour = QColor::fromHsv(static_cast<int>(i) * 97 % 360, 220, 200);
    QCPGraph* g = chart_->addGraph();
    g->setName(QString::fromStdString(line.label));
    g->setPen(QPen(colour, 1.5));
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 5));
    g->setData(QVector<double>(line.x.begin(), line.x.end()),
               QVector<double>(line.y.begin(), line.y.end()));
    // The mode's fitted line, dashed in the run's colour.
    for (const auto& d : shown_[i].drift) {
      if (d.mode != mode || !d.slopeCodesPerC || !d.interceptCodes) continue;
      QCPGraph* fit = chart_->addGraph();
      fit->removeFromLegend();
      fit->setPen(QPen(colour, 1, Qt::DashLine));
      const double a = *d.interceptCodes, b = *d.slopeCodesPerC;
      fit->setData({d.coldestC, d.hottestC}, {a + b * d.coldestC, a + b * d.hottestC});
    }
  }
  chart_->rescaleAxes();
  chart_->replot();
}

std::vector<int64_t> RunHistoryWindow::OneChosen(const char* action) {
  std::vector<int64_t> ids = Chosen();
  if (ids.size() == 1) return ids;
  Say(QString::fromUtf8(action) + ": choose one run");
  return {};
}

bool RunHistoryWindow::ExportClick() {
  const std::vector<int64_t> ids = OneChosen("Export");
  if (ids.empty()) return false;
  const QString folder = chooseFolder ? chooseFolder()
                                      : QFileDialog::getExistingDirectory(
                                            this, "Export run " + QString::number(ids[0]),
                                            QString::fromStdString(programDir_.string()));
  if (folder.isEmpty()) return false;
  auto journal = Open();
  if (!journal) return false;
  std::string error;
  const qx::autotest::TempResultWriter writer(folder.toStdString(), platform::ToCodePage950);
  const auto written = qx::autotest::ExportRun(*journal, ids[0], writer, error);
  if (written.empty()) {
    Say("Export of run " + QString::number(ids[0]) + " failed: " + QString::fromStdString(error));
    return false;
  }
  Say(QString("Run %1 exported to %2: %3 files").arg(ids[0]).arg(folder).arg(written.size()));
  return true;
}

bool RunHistoryWindow::ReportClick() {
  const std::vector<int64_t> ids = OneChosen("Report");
  if (ids.empty()) return false;
  const QString offered = QString::fromStdString(
      (programDir_ / ("QxRun-" + std::to_string(ids[0]) + ".html")).string());
  const QString path =
      chooseFile ? chooseFile(offered)
                 : QFileDialog::getSaveFileName(this, "Report", offered, "HTML pages (*.html)");
  if (path.isEmpty()) return false;
  auto journal = Open();
  if (!journal) return false;
  std::string error;
  if (!qx::autotest::WriteRunReport(*journal, ids[0], path.toStdString(), error)) {
    Say("Report of run " + QString::number(ids[0]) +
        " not written: " + QString::fromStdString(error));
    return false;
  }
  Say("Report of run " + QString::number(ids[0]) + " written to " + path);
  return true;
}

bool RunHistoryWindow::ResumeClick() {
  const std::vector<int64_t> ids = OneChosen("Resume");
  if (ids.empty()) return false;
  const QString run = "run " + QString::number(ids[0]);
  if (activeRun_ && activeRun_() != 0) {
    Say("Resume: a run is going on; it must end first");
    return false;
  }
  bool withChamber = true;
  {
    auto journal = Open();
    if (!journal) return false;
    const auto open = journal->Unfinished();
    if (!open || open->id != ids[0]) {
      Say("Resume: " + run + " is not the journal's unfinished run" +
          (open ? " (run " + QString::number(open->id) + " is)" : QString()));
      return false;
    }
    withChamber = open->withChamber;
  }  // the journal is closed before the run opens it
  if (!resume) {
    Say("Resume: the temperature window is not there to run it");
    return false;
  }
  Say("Resume: " + run + " goes on in the temperature window");
  const std::string why = resume(withChamber);
  Refresh();
  Say(why.empty() ? "Resume: " + run + " completed"
                  : "Resume: " + run + " did not complete: " + QString::fromStdString(why));
  return why.empty();
}

bool RunHistoryWindow::DeleteClick() {
  const std::vector<int64_t> ids = OneChosen("Delete");
  if (ids.empty()) return false;
  const auto it =
      std::find_if(list_.begin(), list_.end(), [&](const auto& r) { return r.id == ids[0]; });
  if (it == list_.end()) return false;
  if (activeRun_ && activeRun_() == ids[0]) {
    Say("Delete: run " + QString::number(ids[0]) + " is running; stop it first");
    return false;
  }
  const QString question = QString::fromStdString(RunHistory::DeleteQuestion(*it));
  const bool yes = confirm ? confirm(question)
                           : QMessageBox::question(this, "Delete run", question,
                                                   QMessageBox::Yes | QMessageBox::No,
                                                   QMessageBox::No) == QMessageBox::Yes;
  if (!yes) return false;
  auto journal = Open();
  if (!journal) return false;
  if (!journal->Delete(ids[0])) {
    Say("Delete of run " + QString::number(ids[0]) +
        " failed: " + QString::fromStdString(journal->LastError()));
    return false;
  }
  journal.reset();
  Say("Run " + QString::number(ids[0]) + " deleted from the journal");
  Refresh();
  return true;
}

}  // namespace qx::gui::autotest

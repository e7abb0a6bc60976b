#include "gui/analysis/NoiseSweepForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/Workbench.h"
#include "core/base/AtomicFile.h"
#include "gui/MainPanel.h"

namespace qx::gui::analysis {

namespace {

using qx::analysis::NoiseSweep;
using qx::analysis::SweepCell;

constexpr int kBoxColumns = 8;
constexpr int kTimeLeftRefreshMs = 250;

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

NoiseSweepForm::NoiseSweepForm(app::Workbench& bench, MainPanel& main, QWidget* parent)
    : QWidget(parent),
      bench_(bench),
      main_(main),
      sweep_({bench.capture, bench.access, bench.target, bench.frame, bench.chip, bench.clock,
              bench.settings, bench.noise}) {
  setObjectName("TNoiseSweep");
  setWindowTitle("Noise Sweep");
  resize(kDefaultWidth, kDefaultHeight);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Points", this));
  points_ = new QComboBox(this);
  points_->setObjectName("SweepPoints");
  for (int k = 0; k <= 10; ++k) points_->addItem(QString::number(64 << k));
  points_->setCurrentIndex(kDefaultPointItem);
  top->addWidget(points_);
  top->addSpacing(12);
  top->addWidget(new QLabel("Reference (V)", this));
  reference_ = new QLineEdit(Utf8(bench.settings.EREFV), this);
  reference_->setObjectName("SweepRef");
  reference_->setMaximumWidth(80);
  top->addWidget(reference_);
  top->addSpacing(12);
  start_ = new QPushButton("Start", this);
  start_->setObjectName("BStart");
  stop_ = new QPushButton("Stop", this);
  stop_->setObjectName("BStop");
  export_ = new QPushButton("Export CSV\u2026", this);
  export_->setObjectName("BExportCsv");
  copy_ = new QPushButton("Copy", this);
  copy_->setObjectName("BCopy");
  for (QPushButton* b : {start_, stop_, export_, copy_}) top->addWidget(b);
  top->addStretch(1);
  layout->addLayout(top);

  gainGroup_ = new QGroupBox("PGA gains", this);
  gainGroup_->setObjectName("SweepGains");
  new QGridLayout(gainGroup_);
  rateGroup_ = new QGroupBox("Output rates (sps)", this);
  rateGroup_->setObjectName("SweepRates");
  new QGridLayout(rateGroup_);
  layout->addWidget(gainGroup_);
  layout->addWidget(rateGroup_);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("SweepProgress");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(true);
  progress_->setFormat("");
  layout->addWidget(progress_);

  model_ = new QStandardItemModel(this);
  table_ = new QTableView(this);
  table_->setObjectName("SweepTable");
  table_->setModel(model_);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);

  status_ = new QLabel(this);
  status_->setObjectName("SweepStatus");
  layout->addWidget(status_);

  timer_ = new QTimer(this);
  timer_->setInterval(kTimeLeftRefreshMs);
  connect(timer_, &QTimer::timeout, this, &NoiseSweepForm::ShowProgress);
  connect(start_, &QPushButton::clicked, this, &NoiseSweepForm::StartClick);
  connect(stop_, &QPushButton::clicked, this, &NoiseSweepForm::StopClick);
  connect(copy_, &QPushButton::clicked, this, &NoiseSweepForm::CopyClick);
  connect(export_, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(
        this, "Export CSV", QString::fromStdString(main_.ProgramDir()) + "NoiseSweep.csv",
        "CSV files (*.csv);;All files (*)");
    if (path.isEmpty()) {
      Say("Export cancelled");
      return;
    }
    ExportCsv(path);
  });
  sweep_.onProgress = [this](const qx::analysis::SweepProgress&) {
    ShowProgress();
    ShowCells();
  };
  ShowCells();
  SyncChip();
  SetRunning(false);
}

NoiseSweepForm::~NoiseSweepForm() {
  sweep_.onProgress = nullptr;
  sweep_.Stop();
}

void NoiseSweepForm::SyncChip() {
  if (sweep_.Running()) return;
  const auto gains = NoiseSweep::ChipGains(bench_.chip);
  const auto rates = NoiseSweep::ChipRates(bench_.chip);
  if (gains == gains_ && rates == rates_ && !gainBoxes_.empty()) return;
  gains_ = gains;
  rates_ = rates;
  BuildBoxes();
}

void NoiseSweepForm::BuildBoxes() {
  for (QCheckBox* b : gainBoxes_) delete b;
  for (QCheckBox* b : rateBoxes_) delete b;
  gainBoxes_.clear();
  rateBoxes_.clear();
  auto* gainGrid = static_cast<QGridLayout*>(gainGroup_->layout());
  for (size_t i = 0; i < gains_.size(); ++i) {
    auto* box = new QCheckBox("x " + QString::number(gains_[i].gain), gainGroup_);
    box->setObjectName("Gain" + QString::number(gains_[i].gain));
    box->setChecked(true);
    gainGrid->addWidget(box, static_cast<int>(i) / kBoxColumns, static_cast<int>(i) % kBoxColumns);
    gainBoxes_.push_back(box);
  }
  const auto defaults = NoiseSweep::DefaultRates(bench_.chip);
  auto* rateGrid = static_cast<QGridLayout*>(rateGroup_->layout());
  for (size_t i = 0; i < rates_.size(); ++i) {
    const auto& r = rates_[i];
    auto* box = new QCheckBox(QString::number(r.sps) + (r.hs ? " (HS)" : ""), rateGroup_);
    box->setObjectName("Rate" + QString::number(r.sps));
    box->setChecked(std::find(defaults.begin(), defaults.end(), r) != defaults.end());
    rateGrid->addWidget(box, static_cast<int>(i) / kBoxColumns, static_cast<int>(i) % kBoxColumns);
    rateBoxes_.push_back(box);
  }
  // A chip that cannot be swept is told in the window; the main status bar hears of it only
  // while the window is open (the window is built at start-up, before any chip is loaded).
  if (const std::string why = NoiseSweep::Unsweepable(bench_.chip); !why.empty()) {
    if (isVisible())
      Say(Utf8(why));
    else
      status_->setText(Utf8(why));
    unsweepableShown_ = true;
  } else if (unsweepableShown_) {
    // What an earlier chip (or none) lacked is no news about this one.
    status_->clear();
    unsweepableShown_ = false;
  }
}

void NoiseSweepForm::StartClick() {
  if (sweep_.Running()) {
    Say("The sweep is running");
    return;
  }
  if (bench_.capture.idle == 0 || main_.CaptureRunning()) {
    Say(NoiseSweep::kBusy);
    return;
  }
  SyncChip();
  qx::analysis::SweepPlan plan;
  for (size_t i = 0; i < gainBoxes_.size(); ++i)
    if (gainBoxes_[i]->isChecked()) plan.gains.push_back(gains_[i]);
  for (size_t i = 0; i < rateBoxes_.size(); ++i)
    if (rateBoxes_[i]->isChecked()) plan.rates.push_back(rates_[i]);
  plan.pointIndex = points_->currentIndex();
  plan.reference = reference_->text().toStdString();
  SetRunning(true);
  // The last run's outcome is not this one's.
  Say("Sweeping…");
  // The menus and buttons come back however the sweep ends.
  struct Unlock {
    NoiseSweepForm* form;
    ~Unlock() { form->SetRunning(false); }
  } unlock{this};
  const bool complete = sweep_.Run(plan);
  ShowCells();
  if (!sweep_.Refusal().empty()) {
    Say(Utf8(sweep_.Refusal()));
    return;
  }
  int done = 0;
  for (const SweepCell& c : sweep_.Cells()) done += c.state == SweepCell::State::Done;
  QString summary = QString("%1 of %2 cells captured").arg(done).arg(sweep_.Cells().size());
  if (const int over = qx::analysis::OverRangeCells(sweep_.Cells()); over > 0)
    summary += QString("; %1 over range (input beyond full scale)").arg(over);
  Say(complete ? summary : summary + (sweep_.Stopped() ? "; stopped" : "; see the Status column"));
}

void NoiseSweepForm::StopClick() {
  if (!sweep_.Running()) {
    Say("No sweep is running");
    return;
  }
  sweep_.Stop();
  Say("Stopping after the current capture");
}

bool NoiseSweepForm::ExportCsv(const QString& path) {
  std::string error;
  if (!base::AtomicFile::Write(path.toStdString(), qx::analysis::SweepCsv(sweep_.Cells()), error)) {
    Say(path + ": " + Utf8(error));
    return false;
  }
  Say("Saved " + path);
  return true;
}

void NoiseSweepForm::CopyClick() {
  QApplication::clipboard()->setText(Utf8(qx::analysis::SweepTabText(sweep_.Cells())));
  Say("Table copied");
}

QString NoiseSweepForm::StatusText() const {
  return status_->text();
}

void NoiseSweepForm::Say(const QString& text) {
  status_->setText(text);
  main_.SetStatusText(2, text);
}

void NoiseSweepForm::ShowCells() {
  const auto headers = qx::analysis::SweepHeaders(false);
  model_->clear();
  QStringList labels;
  for (const std::string& h : headers) labels << Utf8(h);
  model_->setHorizontalHeaderLabels(labels);
  for (const SweepCell& c : sweep_.Cells()) {
    if (c.state == SweepCell::State::Pending) continue;
    QList<QStandardItem*> row;
    for (const std::string& text : qx::analysis::SweepRowTexts(c)) {
      auto* item = new QStandardItem(Utf8(text));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      row << item;
    }
    row.back()->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    model_->appendRow(row);
  }
  table_->resizeColumnsToContents();
}

void NoiseSweepForm::ShowProgress() {
  if (!sweep_.Running()) return;
  const qx::analysis::SweepProgress p = sweep_.Progress();
  progress_->setValue(p.Percent());
  progress_->setFormat(Utf8(p.Text()));
}

void NoiseSweepForm::SetRunning(bool running) {
  start_->setEnabled(!running);
  stop_->setEnabled(running);
  export_->setEnabled(!running);
  copy_->setEnabled(!running);
  points_->setEnabled(!running);
  reference_->setEnabled(!running);
  gainGroup_->setEnabled(!running);
  rateGroup_->setEnabled(!running);
  main_.SetCaptureRunning(running);
  if (running) {
    timer_->start();
  } else {
    timer_->stop();
    // The bar ends at the share of cells that ran.
    const auto ran =
        std::count_if(sweep_.Cells().begin(), sweep_.Cells().end(),
                      [](const SweepCell& c) { return c.state != SweepCell::State::Pending; });
    const auto total = static_cast<long>(sweep_.Cells().size());
    progress_->setValue(total > 0 ? static_cast<int>(ran * 100 / total) : 0);
    progress_->setFormat("%p%");
  }
}

void NoiseSweepForm::hideEvent(QHideEvent* event) {
  // A closed window only hides; its sweep must not go on behind it.
  if (sweep_.Running()) sweep_.Stop();
  QWidget::hideEvent(event);
}

void NoiseSweepForm::showEvent(QShowEvent* event) {
  SyncChip();
  QWidget::showEvent(event);
}

}  // namespace qx::gui::analysis

#include "gui/autotest/TWeightCAL.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <algorithm>

#include "core/app/Workbench.h"
#include "gui/panels/ClickLabel.h"

namespace qx::gui::autotest {

using qx::autotest::kChannels;
using qx::autotest::PanelLook;

/// `SGDS`: reads the cells of the shown table from the model on demand.
class SwitchGridModel final : public QAbstractTableModel {
 public:
  SwitchGridModel(const qx::autotest::SwitchTest& test, QObject* parent)
      : QAbstractTableModel(parent), test_(test) {}

  void Reload() {
    beginResetModel();
    endResetModel();
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : test_.GridRows();
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : test_.GridColumns();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole)
      return QString::fromStdString(test_.Cell(index.column(), index.row()));
    if (role == Qt::BackgroundRole && (index.row() == 0 || index.column() == 0))
      return QPalette().button();
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }

 private:
  const qx::autotest::SwitchTest& test_;
};

namespace {

constexpr int kHeaderColumnWidth = 30;
/// The shown STEP panel: a deep, muted blue under which the light caption stays readable, where
/// a pure blue glares and swallows it.
const QColor kStepBlue(32, 74, 135);

QComboBox* Combo(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  return c;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

TWeightCAL::TWeightCAL(app::Workbench& bench, std::string programDir, QWidget* parent)
    : QWidget(parent), bench_(bench), programDir_(std::move(programDir)), test_(bench.switchTest) {
  hide();
  setWindowTitle("Switch ADC Channel Test");
  for (int i = 0; i < kChannels; ++i) {
    const QString n = QString::number(i + 1);
    auto* box = new QCheckBox("Channel " + n, this);
    box->setObjectName("SwitCh" + n);
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
      if (!syncing_) test_.SwitChClick(i, on);
    });
    switches_[static_cast<size_t>(i)] = box;
    sets_[static_cast<size_t>(i)] = Panel("PSwitchSet" + n, "Set " + n);
    connect(sets_[static_cast<size_t>(i)], &ClickLabel::clicked, this, [this, i] {
      if (test_.Enabled(i) && !test_.Running()) test_.SetChannel(i);
    });
    reviews_[static_cast<size_t>(i)] = Panel("PSwReview" + n, "Review " + n);
    connect(reviews_[static_cast<size_t>(i)], &ClickLabel::clicked, this, [this, i] {
      if (test_.Enabled(i) && !test_.Running()) test_.ReviewChannel(i);
    });
    steps_[static_cast<size_t>(i)] = Panel("PStep" + n, "STEP-" + n);
    connect(steps_[static_cast<size_t>(i)], &ClickLabel::clicked, this,
            [this, i] { test_.PStepClick(i); });
  }
  stop_ = Button(this, "PSTP", "STOP");
  connect(stop_, &QPushButton::clicked, this, [this] { test_.PSTPClick(); });

  stepLenLabel_ = new QLabel(QString::fromUtf8("每次取樣筆數"), this);
  stepLen_ = Combo(this, "EvStepLen");
  for (int v : qx::autotest::kStepLenItems) stepLen_->addItem(QString::number(v));
  connect(stepLen_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) test_.EvStepLenChange(i);
  });
  loopLabel_ = new QLabel(QString::fromUtf8("總共循環次數"), this);
  loopStep_ = Combo(this, "LoopStep");
  for (int v : qx::autotest::kLoopItems) loopStep_->addItem(QString::number(v));
  connect(loopStep_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) test_.LoopStepChange(i);
  });
  scaleLabel_ = new QLabel("Scale", this);
  scale_ = Combo(this, "TXScale");
  for (int v = 8; v < 8 + qx::autotest::kScaleItems; ++v) scale_->addItem(QString::number(v));
  connect(scale_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) test_.TXScaleChange(i);
  });

  send_ = Button(this, "SendTO7R403", "Send");
  connect(send_, &QPushButton::clicked, this, [this] {
    SetRunning(true);
    test_.SendTO7R403Click();
    SetRunning(false);
  });
  begin_ = Button(this, "TestBegin", "Begin");
  connect(begin_, &QPushButton::clicked, this, [this] { Begin(); });
  saveExcel_ = Button(this, "SaveExcel", "SaveExcel");
  connect(saveExcel_, &QPushButton::clicked, this, [this] { test_.SaveToExcel(programDir_); });

  model_ = new SwitchGridModel(test_, this);
  grid_ = new QTableView(this);
  grid_->setObjectName("SGDS");
  grid_->setModel(model_);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  // Columns wide enough for the widest caption of a column; rows for the tallest control.
  column_ = 80;
  for (const QWidget* w : {static_cast<QWidget*>(switches_[7]), static_cast<QWidget*>(reviews_[7]),
                           static_cast<QWidget*>(saveExcel_)})
    column_ = std::max(column_, w->sizeHint().width() + 8);
  // Three rows fit above the grid's top and two in the strip below it.
  row_ = std::clamp(std::max(stepLen_->sizeHint().height(), send_->sizeHint().height()), 22, 26);
  bottomRow_ = 0;
  for (const QWidget* w : {static_cast<QWidget*>(stepLenLabel_), static_cast<QWidget*>(stepLen_),
                           static_cast<QWidget*>(loopLabel_), static_cast<QWidget*>(loopStep_),
                           static_cast<QWidget*>(scaleLabel_), static_cast<QWidget*>(scale_)})
    bottomRow_ += w->sizeHint().width() + 6;
  setMinimumSize(kMinWidth, kMinHeight);
  const int width = 2 * kMargin + std::max(9 * column_, bottomRow_ + column_ + 6);
  resize(width, kGridTop + kGridHeightLoss + 10 * 20);

  test_.onChanged = [this] { Refresh(); };
  Refresh();
}

ClickLabel* TWeightCAL::Panel(const QString& name, const QString& caption) {
  auto* p = new ClickLabel(this);
  p->setObjectName(name);
  p->setText(caption);
  p->setAlignment(Qt::AlignCenter);
  p->setAutoFillBackground(true);
  p->setLineWidth(2);
  return p;
}

void TWeightCAL::ApplyLook(ClickLabel* panel, const PanelLook& look) {
  panel->setFrameStyle(QFrame::Panel | (look.raised ? QFrame::Raised : QFrame::Sunken));
  QPalette pal = panel->palette();
  const QPalette system;
  pal.setColor(QPalette::Window,
               look.fill == PanelLook::Fill::Blue ? kStepBlue : system.color(QPalette::Button));
  QColor text = system.color(QPalette::WindowText);
  if (look.text == PanelLook::Text::Silver) text = QColor(192, 192, 192);
  if (look.text == PanelLook::Text::Window) text = system.color(QPalette::Base);
  pal.setColor(QPalette::WindowText, text);
  panel->setPalette(pal);
}

void TWeightCAL::Refresh() {
  syncing_ = true;
  for (int i = 0; i < kChannels; ++i) {
    const auto k = static_cast<size_t>(i);
    switches_[k]->setChecked(test_.Enabled(i));
    ApplyLook(sets_[k], test_.SetLook(i));
    ApplyLook(reviews_[k], test_.ReviewLook(i));
    ApplyLook(steps_[k], test_.StepLook(i));
  }
  stepLen_->setCurrentIndex(test_.StepLenIndex());
  loopStep_->setCurrentIndex(test_.LoopIndex());
  scale_->setCurrentIndex(test_.ScaleItem());
  syncing_ = false;
  model_->Reload();
  grid_->setColumnWidth(0, kHeaderColumnWidth);
}

void TWeightCAL::SetRunning(bool running) {
  // STOP stays live; what would start a second exchange waits for the first.
  for (QWidget* w : {static_cast<QWidget*>(send_), static_cast<QWidget*>(begin_),
                     static_cast<QWidget*>(saveExcel_), static_cast<QWidget*>(stepLen_),
                     static_cast<QWidget*>(loopStep_), static_cast<QWidget*>(scale_)})
    w->setEnabled(!running);
  for (int i = 0; i < kChannels; ++i) {
    switches_[static_cast<size_t>(i)]->setEnabled(!running);
    sets_[static_cast<size_t>(i)]->setEnabled(!running);
    reviews_[static_cast<size_t>(i)]->setEnabled(!running);
  }
}

void TWeightCAL::Begin() {
  SetRunning(true);
  test_.TestBeginClick();
  SetRunning(false);
}

void TWeightCAL::hideEvent(QHideEvent* event) {
  // Once hidden (closed, or the main window closing) nobody can press STOP: the run ends here.
  if (!event->spontaneous()) test_.PSTPClick();
  QWidget::hideEvent(event);
}

void TWeightCAL::showEvent(QShowEvent* event) {
  // The resolution is shared with the analysis window, which may have changed it meanwhile.
  Refresh();
  QWidget::showEvent(event);
}

void TWeightCAL::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TWeightCAL::FormResize() {
  const int w = width();
  const int h = height();
  const int gap = 4;
  const int right = kMargin + 8 * column_ + gap;
  int y = gap;
  for (int i = 0; i < kChannels; ++i) {
    const auto k = static_cast<size_t>(i);
    const int x = kMargin + i * column_;
    switches_[k]->setGeometry(x, y, column_ - gap, row_);
    sets_[k]->setGeometry(x, y + row_ + gap, column_ - gap, row_);
    reviews_[k]->setGeometry(x, y + 2 * (row_ + gap), column_ - gap, row_);
  }
  send_->setGeometry(right, y + row_ + gap, column_ - gap, row_);
  begin_->setGeometry(right, y + 2 * (row_ + gap), column_ - gap, row_);

  grid_->setGeometry(kMargin, kGridTop, w - 2 * kMargin, h - kGridHeightLoss);

  y = kGridTop + (h - kGridHeightLoss) + gap + 2;
  for (int i = 0; i < kChannels; ++i)
    steps_[static_cast<size_t>(i)]->setGeometry(kMargin + i * column_, y, column_ - gap, row_);
  stop_->setGeometry(right, y, column_ - gap, row_);

  y += row_ + gap + 2;
  int x = kMargin;
  for (QWidget* wd : {static_cast<QWidget*>(stepLenLabel_), static_cast<QWidget*>(stepLen_),
                      static_cast<QWidget*>(loopLabel_), static_cast<QWidget*>(loopStep_),
                      static_cast<QWidget*>(scaleLabel_), static_cast<QWidget*>(scale_)}) {
    const int cw = wd->sizeHint().width();
    wd->setGeometry(x, y, cw, row_);
    x += cw + 6;
  }
  saveExcel_->setGeometry(right, y, column_ - gap, row_);
}

}  // namespace qx::gui::autotest

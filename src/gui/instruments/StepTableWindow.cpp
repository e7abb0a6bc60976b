#include "gui/instruments/StepTableWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/instruments/StepTableModel.h"

namespace qx::gui {

namespace {
constexpr int kMargin = 4;
constexpr int kMinGridHeight = 200;
}  // namespace

StepTableWindow::StepTableWindow(const QString& caption, const char* gridName,
                                 instruments::StepTable& table, QWidget* parent)
    : QWidget(parent) {
  hide();
  setWindowTitle(caption);
  model_ = new StepTableModel(table, this);
  model_->onRefused = [this](const std::string& text) {
    if (onStatus) onStatus(text);
  };
  grid_ = new QTableView(this);
  grid_->setObjectName(gridName);
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  SizeColumns();
  // A reset (a resized table) gives the header its default section sizes back.
  connect(model_, &QAbstractItemModel::modelReset, this, &StepTableWindow::SizeColumns);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(grid_);
  auto* buttons = new QHBoxLayout;
  const auto button = [this, buttons](const char* name, const char* text,
                                      std::function<void()> StepTableWindow::*command) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, command] {
      if (this->*command) (this->*command)();
    });
    buttons->addWidget(b);
  };
  button("BSave", "Save", &StepTableWindow::onSave);
  button("BLoad", "Load", &StepTableWindow::onLoad);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  // An explicit minimum, unlike the layout's, holds when the MDI frame is fitted around the
  // window: every column stays in view, only the rows scroll.
  const int buttonRow = std::max(0, layout->spacing()) + buttons->sizeHint().height();
  setMinimumSize(grid_->minimumWidth() + 2 * kMargin, kMinGridHeight + buttonRow + 2 * kMargin);
  resize(minimumWidth(), instruments::StepTable::kGridHeight + buttonRow + 2 * kMargin);

  refresh_ = new QTimer(this);
  refresh_->setInterval(kRefreshMs);
  connect(refresh_, &QTimer::timeout, this, &StepTableWindow::Refresh);
}

void StepTableWindow::SizeColumns() {
  // The designed widths are narrower than the titles "序號" and "Step" in most fonts: a column
  // is at least as wide as its title.
  QHeaderView* header = grid_->horizontalHeader();
  int sum = 0;
  for (int c = 0; c < instruments::StepTable::kColumns; ++c) {
    const int width = std::max(instruments::StepTable::kColumnWidths[static_cast<size_t>(c)],
                               header->sectionSizeHint(c));
    header->resizeSection(c, width);
    sum += width;
  }
  const int chrome = 2 * grid_->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  grid_->setMinimumSize(std::max(instruments::StepTable::kGridWidth, sum + chrome), kMinGridHeight);
}

void StepTableWindow::Refresh() {
  model_->Sync();
}

void StepTableWindow::showEvent(QShowEvent* event) {
  // The main window fits a new MDI frame to this window's own bounds, which leaves no room
  // for the frame's border and title: grow the frame so the grid is not clipped.
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
    frame->resize(frame->size().expandedTo(frame->minimumSizeHint()));
  Refresh();
  refresh_->start();
  QWidget::showEvent(event);
}

void StepTableWindow::hideEvent(QHideEvent* event) {
  refresh_->stop();
  QWidget::hideEvent(event);
}

void StepTableWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->hide();
  hide();
}

}  // namespace qx::gui

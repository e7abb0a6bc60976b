#include "gui/views/ViewGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "core/views/CellLook.h"

namespace qx::gui {

namespace {
constexpr int kRowHeight = 18;
constexpr int kColumnWidth = 62;
constexpr int kCellPadding = 10;

// Draws a selected cell in its own colours with a frame round it, instead of the selection
// colour over it: the grids mark changed values in blue, which a blue selection would hide.
class SelectionFrameDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem plain(option);
    const bool selected = plain.state & QStyle::State_Selected;
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    QStyledItemDelegate::paint(painter, plain, index);
    if (!selected) return;
    painter->save();
    painter->setPen(QPen(ToQColor(views::colour::kSelectionFrame), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    painter->restore();
  }
};
}  // namespace

ViewGrid::ViewGrid(const views::GridSource& source, const QString& name, QWidget* parent)
    : QTableView(parent), model_(new GridTableModel(source, this)) {
  setObjectName(name);
  setModel(model_);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  verticalHeader()->setMinimumSectionSize(kRowHeight);
  horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setItemDelegate(new SelectionFrameDelegate(this));
}

void ViewGrid::Reload() {
  model_->Reload();
  // Names such as ADCCON0..ADCCON4 differ in their last character: never cut them.
  const QFontMetrics metrics(font());
  for (int c = 0; c < model_->columnCount(); ++c) {
    int width = kColumnWidth;
    for (int r = 0; r < model_->rowCount(); ++r) {
      const QString text = model_->data(model_->index(r, c), Qt::DisplayRole).toString();
      if (!text.isEmpty()) width = std::max(width, metrics.horizontalAdvance(text) + kCellPadding);
    }
    if (columnWidth(c) != width) setColumnWidth(c, width);
  }
}

int ViewGrid::ContentWidth() const {
  int width = 2 * frameWidth();
  for (int c = 0; c < model_->columnCount(); ++c) width += columnWidth(c);
  return width;
}

QPoint ViewGrid::CellBottomLeft(int col, int row) const {
  const QRect r = visualRect(model_->index(row, col));
  return viewport()->mapToGlobal(r.bottomLeft());
}

bool ViewGrid::event(QEvent* e) {
  // Tab commits a typed value instead of moving the focus.
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Tab) {
    keyPressEvent(static_cast<QKeyEvent*>(e));
    return true;
  }
  return QTableView::event(e);
}

void ViewGrid::keyPressEvent(QKeyEvent* e) {
  const QModelIndex at = currentIndex();
  char c = 0;
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      c = '\r';
      break;
    case Qt::Key_Tab:
      c = '\t';
      break;
    case Qt::Key_Backspace:
      c = '\b';
      break;
    default: {
      const QString text = e->text();
      if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7F)
        c = static_cast<char>(text[0].unicode());
    }
  }
  if (c == 0) {
    QTableView::keyPressEvent(e);  // navigation keys
    return;
  }
  // Every character reaches the handler; what it does not take is discarded.
  if (at.isValid() && onKey && onKey(at.column(), at.row(), c)) model_->dataChanged(at, at);
  e->accept();
}

void ViewGrid::mousePressEvent(QMouseEvent* e) {
  const QModelIndex at = indexAt(e->position().toPoint());
  pressedCol_ = at.isValid() ? at.column() : -1;
  pressedRow_ = at.isValid() ? at.row() : -1;
  QTableView::mousePressEvent(e);
}

void ViewGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  const QModelIndex at = indexAt(e->position().toPoint());
  if (at.isValid() && onDoubleClick) onDoubleClick(at.column(), at.row());
  e->accept();
}

void ViewGrid::focusOutEvent(QFocusEvent* e) {
  if (onLeave) onLeave();
  QTableView::focusOutEvent(e);
}

void ViewGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (previous.isValid() && previous != current && onLeave) onLeave();
  QTableView::currentChanged(current, previous);
}

}  // namespace qx::gui

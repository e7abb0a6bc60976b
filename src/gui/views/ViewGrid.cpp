#include "gui/views/ViewGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qx::gui {

namespace {
constexpr int kRowHeight = 18;
constexpr int kColumnWidth = 62;
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
}

void ViewGrid::Reload() {
  model_->Reload();
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

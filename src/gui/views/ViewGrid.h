#pragma once

#include <QTableView>
#include <functional>

#include "gui/views/GridTableModel.h"

namespace qx::gui {

/// A string grid over a core grid source. Typed characters go to `onKey` (Enter as '\r', Tab as
/// '\t', Backspace as '\b'); arrow keys move the selection as usual.
class ViewGrid final : public QTableView {
  Q_OBJECT

 public:
  ViewGrid(const views::GridSource& source, const QString& name, QWidget* parent);

  GridTableModel& Model() { return *model_; }
  /// Reloads the source and widens each column to its longest text.
  void Reload();
  /// Width of the columns together with the frame: what the grid needs to show every cell.
  int ContentWidth() const;
  /// Screen position of the lower-left corner of a cell.
  QPoint CellBottomLeft(int col, int row) const;

  std::function<bool(int col, int row, char c)> onKey;
  std::function<void(int col, int row)> onDoubleClick;
  /// The current cell moved away from (`col`, `row`), or the grid lost focus.
  std::function<void()> onLeave;
  /// Last mouse-down cell, for menus and double clicks.
  int PressedCol() const { return pressedCol_; }
  int PressedRow() const { return pressedRow_; }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  GridTableModel* model_;
  int pressedCol_ = -1;
  int pressedRow_ = -1;
};

}  // namespace qx::gui

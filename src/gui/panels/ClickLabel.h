#pragma once

#include <QLabel>

namespace qx::gui {

/// A label, switch panel or schematic image that reacts to the mouse like a button: a left
/// click emits `clicked`, a right click `menuRequested` at the global position.
class ClickLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 signals:
  void clicked();
  void menuRequested(const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace qx::gui

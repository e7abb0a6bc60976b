#include "gui/StatusPanel.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace qx::gui {

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent) {
  // The size hints below ask for no width, so the status bar lays the panels out by their fixed
  // widths and stretch alone, whatever the message.
  setTextFormat(Qt::PlainText);
}

void StatusPanel::SetMessage(const QString& text) {
  message_ = text;
  setToolTip(text);
  Elide();
}

QSize StatusPanel::minimumSizeHint() const {
  return {0, QLabel::minimumSizeHint().height()};
}

QSize StatusPanel::sizeHint() const {
  return {0, QLabel::sizeHint().height()};
}

void StatusPanel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void StatusPanel::Elide() {
  const int room = contentsRect().width() - 2 * margin();
  setText(fontMetrics().elidedText(message_, Qt::ElideRight, std::max(0, room)));
}

}  // namespace qx::gui

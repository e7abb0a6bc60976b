#include "gui/panels/ClickLabel.h"

#include <QMouseEvent>

namespace qx::gui {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  if (event->button() == Qt::RightButton) emit menuRequested(event->globalPosition().toPoint());
  event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
  pressed_ = false;
  event->accept();
  if (click && isEnabled()) emit clicked();
}

}  // namespace qx::gui

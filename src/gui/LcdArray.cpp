#include "gui/LcdArray.h"

#include <QPainter>
#include <QPolygon>

namespace qx::gui {

namespace {
QColor ToColor(uint32_t rgb) {
  return QColor::fromRgb(static_cast<QRgb>(rgb));
}
uint32_t FromColor(const QColor& c) {
  return static_cast<uint32_t>(c.rgb() & 0xFFFFFFu);
}
}  // namespace

LcdArray::LcdArray(QWidget* parent) : QWidget(parent) {
  resize(widgets::LcdArrayModel::kCreatedWidth, widgets::LcdArrayModel::kCreatedHeight);
}

void LcdArray::SetOnColor(const QColor& c) {
  if (model_.SetOnColor(FromColor(c))) update();
}
void LcdArray::SetOffColor(const QColor& c) {
  if (model_.SetOffColor(FromColor(c))) update();
}
void LcdArray::SetBackColor(const QColor& c) {
  if (model_.SetBackColor(FromColor(c))) update();
}
void LcdArray::SetDotCount(int v) {
  if (model_.SetDotCount(v)) update();
}
void LcdArray::SetSegWidth(int v) {
  if (model_.SetSegWidth(v)) Relayout();
}
void LcdArray::SetMargin(int v) {
  if (model_.SetMargin(v)) Relayout();
}
void LcdArray::SetDigit(int v) {
  if (model_.SetDigit(v)) Relayout();
}
void LcdArray::SetCaption(const QString& text) {
  if (model_.SetCaption(text.toStdString())) update();
}

void LcdArray::Relayout() {
  geometry_.emplace(width(), height(), model_.SegWidth(), model_.Margin(), model_.Digit());
  laidOutFor_ = size();
  update();
}

void LcdArray::Render() {
  if (!geometry_ || laidOutFor_ != size()) Relayout();
  if (image_.size() != size()) image_ = QImage(size(), QImage::Format_RGB32);
  const QColor back = ToColor(model_.BackColor());
  const QColor on = ToColor(model_.OnColor());
  const QColor off = ToColor(model_.OffColor());
  QPainter p(&image_);
  p.fillRect(image_.rect(), back);
  p.setPen(back);
  const auto& codes = model_.Codes();
  for (int cell = 0; cell < static_cast<int>(codes.size()); ++cell) {
    const uint8_t pattern = widgets::LcdCaption::Pattern(codes[static_cast<size_t>(cell)]);
    for (int seg = 0; seg < 7; ++seg) {
      QPolygon poly;
      for (const widgets::LcdPoint& pt : geometry_->Segment(cell, seg)) poly << QPoint(pt.x, pt.y);
      p.setBrush((pattern >> seg) & 1 ? on : off);
      p.drawPolygon(poly);
    }
  }
  if (const int cell = model_.PointCell(); cell >= 0) {
    const widgets::LcdSquare sq = geometry_->Point(cell);
    p.fillRect(sq.left, sq.top, sq.side, sq.side, on);
  }
}

void LcdArray::paintEvent(QPaintEvent*) {
  Render();
  QPainter(this).drawImage(1, 1, image_);
}

}  // namespace qx::gui

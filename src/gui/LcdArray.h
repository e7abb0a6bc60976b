#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <optional>
#include <string>

#include "core/widgets/LcdArrayModel.h"
#include "core/widgets/LcdGeometry.h"

namespace qx::gui {

/// `TLcdArray`: a row of seven-segment digits. The segment codes and the layout come from
/// core; the widget paints them into an off-screen image and copies it to the screen.
class LcdArray final : public QWidget {
  Q_OBJECT

 public:
  explicit LcdArray(QWidget* parent = nullptr);

  void SetOnColor(const QColor& c);
  void SetOffColor(const QColor& c);
  void SetBackColor(const QColor& c);
  void SetSegWidth(int v);
  void SetMargin(int v);
  void SetDigit(int v);
  void SetDotCount(int v);
  void SetLeftZero(bool v) { model_.SetLeftZero(v); }
  void SetCaption(const QString& text);

  const widgets::LcdArrayModel& Model() const { return model_; }
  /// The off-screen image of the last paint.
  const QImage& Image() const { return image_; }
  /// Paints the off-screen image for the current size.
  void Render();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Relayout();

  widgets::LcdArrayModel model_;
  std::optional<widgets::LcdGeometry> geometry_;
  QSize laidOutFor_;
  QImage image_;
};

}  // namespace qx::gui

#pragma once

#include <QSize>
#include <QString>
#include <string>

class QCustomPlot;

namespace qx::gui {

/// Writes a chart as a picture: SVG when the path ends in ".svg" (any case), else PNG. The file
/// is written whole to a temporary name and renamed, as every file the program writes. A chart
/// that was never shown has no size of its own: `fallback` is used then.
class ChartExport {
 public:
  static bool Save(QCustomPlot& chart, const QString& path, std::string& error,
                   QSize fallback = QSize(800, 500));
  /// The bytes of the picture, PNG or SVG.
  static QByteArray Png(QCustomPlot& chart, QSize size);
  static QByteArray Svg(QCustomPlot& chart, QSize size, const QString& title);
  /// The file-dialog filter offering both formats.
  static QString Filter() { return "PNG picture (*.png);;SVG drawing (*.svg)"; }
};

}  // namespace qx::gui

#include "gui/ChartExport.h"

#include <qcustomplot.h>
#include <QBuffer>
#include <QSvgGenerator>

#include "core/base/AtomicFile.h"

namespace qx::gui {

QByteArray ChartExport::Png(QCustomPlot& chart, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QPixmap pixmap = chart.toPixmap(size.width(), size.height());
  if (!pixmap.save(&buffer, "PNG")) return {};
  return bytes;
}

QByteArray ChartExport::Svg(QCustomPlot& chart, QSize size, const QString& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(title);
  QCPPainter painter;
  if (!painter.begin(&generator)) return {};
  chart.toPainter(&painter, size.width(), size.height());
  painter.end();
  return bytes;
}

bool ChartExport::Save(QCustomPlot& chart, const QString& path, std::string& error,
                       QSize fallback) {
  const QSize size = chart.isVisible() && !chart.size().isEmpty() ? chart.size() : fallback;
  const bool svg = path.endsWith(".svg", Qt::CaseInsensitive);
  const QByteArray bytes = svg ? Svg(chart, size, chart.objectName()) : Png(chart, size);
  if (bytes.isEmpty()) {
    error = svg ? "the chart could not be drawn as SVG" : "the chart could not be drawn as PNG";
    return false;
  }
  return base::AtomicFile::Write(path.toStdString(),
                                 std::string_view(bytes.constData(), bytes.size()), error);
}

}  // namespace qx::gui

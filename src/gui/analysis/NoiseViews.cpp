#include "gui/analysis/NoiseViews.h"

#include <qcustomplot.h>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace qx::gui::analysis {

namespace {

constexpr int kFigureColumnWidth = 360;

QVector<double> Vector(const std::vector<double>& v) {
  return QVector<double>(v.begin(), v.end());
}

}  // namespace

FigureChartView::FigureChartView(const char* chartName, const char* figuresName, QWidget* parent)
    : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 2, 2, 2);
  chart_ = new QCustomPlot(this);
  chart_->setObjectName(chartName);
  chart_->plotLayout()->insertRow(0);
  chart_->plotLayout()->addElement(0, 0, new QCPTextElement(chart_, ""));
  row->addWidget(chart_, 1);

  auto* side = new QWidget(this);
  side->setObjectName(figuresName);
  side->setFixedWidth(kFigureColumnWidth);
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(6, 4, 4, 4);
  controls_ = new QFormLayout;
  column->addLayout(controls_);
  figures_ = new QFormLayout;
  figures_->setLabelAlignment(Qt::AlignLeft);
  column->addLayout(figures_);
  notice_ = new QLabel(side);
  notice_->setObjectName(QString(figuresName) + "Notice");
  notice_->setWordWrap(true);
  column->addWidget(notice_);
  column->addStretch(1);
  row->addWidget(side);
}

void FigureChartView::SetFigures(const std::vector<qx::analysis::FigureText>& figures) {
  while (figures_->rowCount() > 0) figures_->removeRow(0);
  for (const auto& f : figures) {
    auto* value = new QLabel(QString::fromStdString(f.value));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setObjectName(QString::fromStdString(f.caption));
    figures_->addRow(QString::fromStdString(f.caption), value);
  }
}

void FigureChartView::SetNotice(const QString& text) {
  notice_->setText(text);
  notice_->setVisible(!text.isEmpty());
}

HistogramView::HistogramView(QWidget* parent)
    : FigureChartView("HistogramChart", "HistogramFigures", parent) {
  QCustomPlot* c = Chart();
  static_cast<QCPTextElement*>(c->plotLayout()->element(0, 0))->setText("Histogram");
  bars_ = new QCPBars(c->xAxis, c->yAxis);
  bars_->setName("Samples");
  bars_->setPen(QPen(QColor(40, 80, 160)));
  bars_->setBrush(QColor(90, 140, 220, 170));
  bars_->setWidthType(QCPBars::wtPlotCoords);
  c->addGraph();
  c->graph(0)->setName("Gaussian of mean and σ");
  c->graph(0)->setPen(QPen(Qt::red, 2));
  c->xAxis->setLabel("Code");
  // Codes are whole numbers in the millions: plain digits, not powers of ten.
  c->xAxis->setNumberFormat("f");
  c->xAxis->setNumberPrecision(0);
  c->yAxis->setLabel("Samples per bin");
  c->legend->setVisible(true);
  c->legend->setFont(font());
}

void HistogramView::Show(const qx::analysis::NoiseHistogram& h,
                         const std::vector<qx::analysis::FigureText>& figures) {
  QCustomPlot* c = Chart();
  QVector<double> counts(static_cast<qsizetype>(h.counts.size()));
  std::copy(h.counts.begin(), h.counts.end(), counts.begin());
  bars_->setWidth(h.binWidth > 0 ? h.binWidth : 1);
  bars_->setData(Vector(h.centres), counts, true);
  c->graph(0)->setData(Vector(h.curveCodes), Vector(h.curveCounts), true);
  SetFigures(figures);
  SetNotice(h.count == 0 ? "No samples yet: Catch ADC first." : QString());
  if (h.count > 0) {
    const double half = h.binWidth / 2;
    c->xAxis->setRange(h.lowerEdges.front() - half, h.lowerEdges.back() + h.binWidth + half);
    const int top = *std::max_element(h.counts.begin(), h.counts.end());
    double curveTop = 0;
    for (double y : h.curveCounts) curveTop = std::max(curveTop, y);
    c->yAxis->setRange(0, std::max<double>(top, curveTop) * 1.08);
  }
  c->replot(QCustomPlot::rpQueuedReplot);
}

SpectrumView::SpectrumView(QWidget* parent)
    : FigureChartView("SpectrumChart", "SpectrumFigures", parent) {
  QCustomPlot* c = Chart();
  static_cast<QCPTextElement*>(c->plotLayout()->element(0, 0))
      ->setText("Noise spectrum (Welch, Blackman-Harris window)");
  c->addGraph();
  c->graph(0)->setPen(QPen(QColor(20, 90, 170)));
  c->xAxis->setLabel("Frequency  Hz");
  c->xAxis->setScaleType(QCPAxis::stLogarithmic);
  c->xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
  scale_ = new QComboBox(this);
  scale_->setObjectName("SpectrumScale");
  scale_->addItems({QString::fromUtf8("Noise density  nV/√Hz"), "Level  dB re full scale"});
  Controls()->addRow("Show", scale_);
  connect(scale_, &QComboBox::currentIndexChanged, this, &SpectrumView::ScaleChanged);
}

SpectrumView::Scale SpectrumView::CurrentScale() const {
  return scale_->currentIndex() == 1 ? Scale::Dbfs : Scale::Density;
}

void SpectrumView::Show(const qx::analysis::SpectrumResult& s,
                        const std::vector<qx::analysis::FigureText>& figures) {
  QCustomPlot* c = Chart();
  const bool dbfs = CurrentScale() == Scale::Dbfs;
  // DC carries no noise after the mean is removed, and a logarithmic axis has no 0 Hz.
  const size_t first = s.frequencyHz.size() > 1 ? 1 : s.frequencyHz.size();
  const std::vector<double>& y = dbfs ? s.levelDbfs : s.densityNv;
  c->graph(0)->setData(
      QVector<double>(s.frequencyHz.begin() + static_cast<std::ptrdiff_t>(first),
                      s.frequencyHz.end()),
      QVector<double>(y.begin() + static_cast<std::ptrdiff_t>(std::min(first, y.size())), y.end()),
      true);
  c->yAxis->setLabel(dbfs ? "dB re full scale" : QString::fromUtf8("Noise density  nV/√Hz"));
  if (dbfs) {
    c->yAxis->setScaleType(QCPAxis::stLinear);
    c->yAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
  } else {
    c->yAxis->setScaleType(QCPAxis::stLogarithmic);
    c->yAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
  }
  SetFigures(figures);
  SetNotice(QString::fromStdString(s.notice));
  if (s.segmentLength > 0) {
    c->graph(0)->rescaleAxes();
    if (dbfs) {
      const QCPRange r = c->yAxis->range();
      c->yAxis->setRange(r.lower - 5, r.upper + 5);
    }
  }
  c->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace qx::gui::analysis

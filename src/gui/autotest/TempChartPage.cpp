#include "gui/autotest/TempChartPage.h"

#include <qcustomplot.h>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "gui/ChartExport.h"

namespace qx::gui::autotest {

using qx::autotest::TempRunPresenter;

namespace {

/// What the chart's figure list offers, beside the statistics kind it draws.
struct ChartFigure {
  const char* item;
  const char* axis;
};
constexpr std::array<ChartFigure, 4> kFigures{{
    {"Mean", "Mean (codes)"},
    {"RMS noise (nV)", "RMS noise (nV)"},
    {"ENOB", "ENOB (bits)"},
    {"Noise-free bits", "Noise-free bits (bits)"},
}};
static_assert(kFigures.size() == std::size(TempRunPresenter::kChartKinds));

QVector<double> Points(const std::vector<double>& v) {
  return QVector<double>(v.begin(), v.end());
}

}  // namespace

TempChartPage::TempChartPage(const TempRunPresenter& presenter, std::filesystem::path programDir,
                             std::function<void(const QString&)> status, QWidget* parent)
    : QWidget(parent),
      presenter_(presenter),
      programDir_(std::move(programDir)),
      status_(std::move(status)) {
  setObjectName("ChartPage");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 6, 6, 6);
  auto* top = new QHBoxLayout;
  figure_ = new QComboBox(this);
  figure_->setObjectName("ChartFigure");
  for (const ChartFigure& f : kFigures) figure_->addItem(f.item);
  auto* label = new QLabel("Figure", this);
  label->setObjectName("ChartFigureLabel");
  label->setBuddy(figure_);
  auto* save = new QPushButton(QString::fromUtf8("Save PNG…"), this);
  save->setObjectName("ChartSavePng");
  top->addWidget(label);
  top->addWidget(figure_);
  top->addStretch(1);
  top->addWidget(save);
  v->addLayout(top);
  chart_ = new QCustomPlot(this);
  chart_->setObjectName("TempChart");
  chart_->xAxis->setLabel(QString::fromUtf8("Temperature (°C)"));
  chart_->legend->setVisible(true);
  // The legend in a row of its own under the axes, so it never covers a point of a mode.
  auto* legendRow = new QCPLayoutGrid;
  chart_->plotLayout()->addElement(1, 0, legendRow);
  legendRow->setMargins(QMargins(0, 0, 0, 4));
  // Centred at its own width between two empty cells that take the rest.
  legendRow->addElement(0, 0, new QCPLayoutElement(chart_));
  legendRow->addElement(0, 1, chart_->legend);
  legendRow->addElement(0, 2, new QCPLayoutElement(chart_));
  legendRow->setColumnStretchFactors({1, 0.001, 1});
  chart_->legend->setFillOrder(QCPLegend::foColumnsFirst);
  chart_->plotLayout()->setRowStretchFactor(1, 0.001);
  v->addWidget(chart_, 1);
  connect(figure_, &QComboBox::currentIndexChanged, this, [this] { Update(); });
  connect(save, &QPushButton::clicked, this, &TempChartPage::SavePngClick);
}

void TempChartPage::Update() {
  const int figure = std::max(figure_->currentIndex(), 0);
  const int kind = TempRunPresenter::kChartKinds[figure];
  const TempRunPresenter::Chart drawn = presenter_.ChartOf(figure);
  chart_->clearGraphs();
  for (const TempRunPresenter::Line& line : drawn.lines) {
    QCPGraph* g = chart_->addGraph();
    g->setName(QString("Mode %1").arg(line.mode));
    g->setPen(QPen(QColor::fromHsv((line.mode - 1) * 137 % 360, 220, 200), 1.5));
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 5));
    g->setData(Points(line.x), Points(line.y));
    if (line.mode > kLegendModes) g->removeFromLegend();
  }
  // Each mode's least-squares line, dashed in the mode's colour; the legend names it once.
  for (const TempRunPresenter::Line& fit : drawn.fits) {
    QCPGraph* g = chart_->addGraph();
    g->setName("Fitted line");
    g->setPen(QPen(QColor::fromHsv((fit.mode - 1) * 137 % 360, 220, 200), 1, Qt::DashLine));
    g->setData(Points(fit.x), Points(fit.y));
    if (&fit != &drawn.fits.front()) g->removeFromLegend();
  }
  // A capture that sat at an end of the code range is drawn in its line, and ringed in red so
  // nobody reads the clipping's figures as the chip's.
  if (!drawn.overX.empty()) {
    QCPGraph* g = chart_->addGraph();
    g->setName(qx::autotest::TempTest::kOverRange);
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red, 2), Qt::NoBrush, 11));
    g->setData(Points(drawn.overX), Points(drawn.overY));
  }
  chart_->yAxis->setLabel(kFigures[static_cast<size_t>(figure)].axis);
  // Means are whole codes of up to seven digits: plain numbers read better than powers of ten.
  chart_->yAxis->setNumberFormat(kind == 0 ? "f" : "gb");
  chart_->yAxis->setNumberPrecision(kind == 0 ? 0 : 6);
  chart_->legend->setVisible(chart_->graphCount() > 0);
  if (chart_->graphCount() > 0) {
    chart_->rescaleAxes();
    // A single point or a flat line still gets a readable range around it.
    for (QCPAxis* axis : {chart_->xAxis, chart_->yAxis}) {
      const QCPRange range = axis->range();
      const double pad =
          range.size() > 0 ? range.size() * 0.08 : std::max(1.0, std::abs(range.center()) * 0.01);
      axis->setRange(range.lower - pad, range.upper + pad);
    }
  }
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

bool TempChartPage::SavePng(const QString& path) {
  std::string error;
  if (!ChartExport::Save(*chart_, path, error)) {
    status_("Save PNG: cannot write " + path + ": " + QString::fromStdString(error));
    return false;
  }
  status_("Chart saved to " + path);
  return true;
}

void TempChartPage::SavePngClick() {
  const QString path =
      choosePng_
          ? choosePng_()
          : QFileDialog::getSaveFileName(
                this, "Save PNG", QString::fromStdString((programDir_ / "QxTEMP.png").string()),
                "PNG pictures (*.png)");
  if (path.isEmpty()) return;  // the dialog was cancelled
  SavePng(path);
}

}  // namespace qx::gui::autotest

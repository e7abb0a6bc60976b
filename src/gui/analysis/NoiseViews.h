#pragma once

#include <QWidget>
#include <vector>

#include "core/analysis/CaptureViews.h"

class QComboBox;
class QCPBars;
class QCustomPlot;
class QFormLayout;
class QLabel;

namespace qx::gui::analysis {

/// A chart with a column of figures beside it: the common frame of the histogram and the
/// spectrum pages of the analysis window.
class FigureChartView : public QWidget {
  Q_OBJECT

 public:
  QCustomPlot* Chart() const { return chart_; }
  /// The figures as caption and value pairs, replacing the ones shown.
  void SetFigures(const std::vector<qx::analysis::FigureText>& figures);
  /// Shown over an empty chart when there is nothing to draw, and why.
  void SetNotice(const QString& text);

 protected:
  FigureChartView(const char* chartName, const char* figuresName, QWidget* parent);
  /// The column above the figures, for the page's own controls.
  QFormLayout* Controls() const { return controls_; }

 private:
  QCustomPlot* chart_ = nullptr;
  QFormLayout* controls_ = nullptr;
  QFormLayout* figures_ = nullptr;
  QLabel* notice_ = nullptr;
};

/// The histogram page: bars of the display codes, the Gaussian of their mean and sigma over
/// them, and the peak-to-peak figures.
class HistogramView final : public FigureChartView {
  Q_OBJECT

 public:
  explicit HistogramView(QWidget* parent);
  void Show(const qx::analysis::NoiseHistogram& h,
            const std::vector<qx::analysis::FigureText>& figures);

 private:
  QCPBars* bars_ = nullptr;
};

/// The spectrum page: noise density in nV/√Hz or level in dB re full scale against frequency,
/// and the integrated noise against the statistics.
class SpectrumView final : public FigureChartView {
  Q_OBJECT

 public:
  enum class Scale { Density, Dbfs };
  explicit SpectrumView(QWidget* parent);
  void Show(const qx::analysis::SpectrumResult& s,
            const std::vector<qx::analysis::FigureText>& figures);
  Scale CurrentScale() const;

 signals:
  void ScaleChanged();

 private:
  QComboBox* scale_ = nullptr;
};

}  // namespace qx::gui::analysis

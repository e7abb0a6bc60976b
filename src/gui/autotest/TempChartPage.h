#pragma once

#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "core/autotest/TempRunPresenter.h"

class QComboBox;
class QCustomPlot;

namespace qx::gui::autotest {

/// The temperature window's "Chart" page: the chosen figure against temperature for the modes
/// the presenter says are finished, and its PNG export.
class TempChartPage final : public QWidget {
  Q_OBJECT

 public:
  /// Modes named in the chart's legend; the lines of later modes are drawn without an entry.
  static constexpr int kLegendModes = 16;

  TempChartPage(const qx::autotest::TempRunPresenter& presenter, std::filesystem::path programDir,
                std::function<void(const QString&)> status, QWidget* parent);

  void Update();
  /// Writes the chart as a PNG picture; false, with the reason in the status bar, on failure.
  bool SavePng(const QString& path);
  /// Asks for the PNG file name; the default is a save dialog.
  void SetPngChooser(std::function<QString()> choose) { choosePng_ = std::move(choose); }
  QCustomPlot* Plot() const { return chart_; }

 private:
  void SavePngClick();

  const qx::autotest::TempRunPresenter& presenter_;
  std::filesystem::path programDir_;
  std::function<void(const QString&)> status_;
  std::function<QString()> choosePng_;
  QComboBox* figure_ = nullptr;
  QCustomPlot* chart_ = nullptr;
};

}  // namespace qx::gui::autotest

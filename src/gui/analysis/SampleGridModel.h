#pragma once

#include <QAbstractTableModel>

#include "core/analysis/AdcCapture.h"

namespace qx::gui::analysis {

/// `MemoryF`: the display codes, 16 per row, with hexadecimal headers in row and column 0 and
/// the resolution of the codes in the corner.
/// Reads the cells of the capture on demand, so a 65536-point run costs no widget per cell.
class SampleGridModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SampleGridModel(const qx::analysis::AdcCapture& capture, QObject* parent = nullptr)
      : QAbstractTableModel(parent), capture_(capture) {}

  /// Resizes to the current point count.
  void Reset();
  /// Lets the views re-read every cell.
  void Refresh();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const qx::analysis::AdcCapture& capture_;
  int rows_ = 1;
};

}  // namespace qx::gui::analysis

#include "gui/analysis/SampleGridModel.h"

namespace qx::gui::analysis {

void SampleGridModel::Reset() {
  beginResetModel();
  rows_ = capture_.GridRows();
  endResetModel();
}

void SampleGridModel::Refresh() {
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, 16));
}

int SampleGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int SampleGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 17;
}

QVariant SampleGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int r = index.row();
  const int c = index.column();
  if (r == 0 && c == 0) {
    // The corner names the codes of the cells: those of the Scale's resolution, which Export
    // does not write.
    const int bits = capture_.Bits();
    if (bits < 8 || bits > 23) return {};
    if (role == Qt::DisplayRole) return QString("%1b").arg(bits);
    if (role == Qt::ToolTipRole)
      return QString(
                 "Codes at the %1-bit Scale: the 24-bit code divided by %2. Export writes "
                 "the 24-bit codes.")
          .arg(bits)
          .arg(1 << (23 - bits));
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  if (r == 0) return QString::fromStdString(qx::analysis::AdcCapture::ColumnHeader(c));
  if (c == 0) return QString::fromStdString(qx::analysis::AdcCapture::RowHeader(r));
  return QString::fromStdString(capture_.Cells().Text((r - 1) * 16 + (c - 1)));
}

}  // namespace qx::gui::analysis

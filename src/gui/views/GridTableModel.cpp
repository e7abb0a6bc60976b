#include "gui/views/GridTableModel.h"

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QPalette>

namespace qx::gui {

QColor ToQColor(uint32_t colour) {
  if (colour == views::colour::kButtonFace) return QApplication::palette().color(QPalette::Button);
  return QColor::fromRgb(static_cast<QRgb>(colour & 0xFFFFFF));
}

GridTableModel::GridTableModel(const views::GridSource& source, QObject* parent)
    : QAbstractTableModel(parent),
      source_(source),
      rows_(source.Rows()),
      columns_(source.Columns()) {}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int col = index.column();
  const int row = index.row();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(source_.Text(col, row));
    case Qt::BackgroundRole:
      return QBrush(ToQColor(source_.Look(col, row).background));
    case Qt::ForegroundRole:
      return QBrush(ToQColor(source_.Look(col, row).text));
    case Qt::FontRole: {
      if (!source_.Look(col, row).underline) return {};
      QFont font;
      font.setUnderline(true);
      return font;
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignTop));
    case Qt::ToolTipRole: {
      const std::string tip = source_.Tip(col, row);
      return tip.empty() ? QVariant() : QVariant(QString::fromStdString(tip));
    }
    default:
      return {};
  }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || source_.Fixed(index.column(), index.row())) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void GridTableModel::Reload() {
  if (source_.Rows() != rows_ || source_.Columns() != columns_) {
    beginResetModel();
    rows_ = source_.Rows();
    columns_ = source_.Columns();
    endResetModel();
    return;
  }
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

}  // namespace qx::gui

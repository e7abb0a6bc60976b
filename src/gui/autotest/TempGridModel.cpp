#include "gui/autotest/TempGridModel.h"

#include <QPalette>

namespace qx::gui::autotest {

TempGridModel::TempGridModel(Source source, QObject* parent)
    : QAbstractTableModel(parent),
      source_(std::move(source)),
      rows_(source_.rows()),
      columns_(source_.columns()),
      seenRevision_(source_.revision()) {}

TempGridModel::Source TempGridModel::Of(const qx::autotest::ResultTable& table) {
  return {[&table] { return table.Rows(); },
          [&table] { return table.Columns(); },
          [&table] { return table.Revision(); },
          [&table](int c, int r) -> const std::string& { return table.Cell(c, r); },
          nullptr,
          [](int c, int r) { return c == 0 || r == 0; }};
}

int TempGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TempGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant TempGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int c = index.column();
  const int r = index.row();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(source_.cell(c, r));
    case Qt::BackgroundRole:
      if (source_.label(c, r)) return QPalette().button();
      return {};
    case Qt::TextAlignmentRole:
      return int((source_.label(c, r) ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    default:
      return {};
  }
}

Qt::ItemFlags TempGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!source_.setCell || source_.label(index.column(), index.row())) return base;
  return base | Qt::ItemIsEditable;
}

bool TempGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
    return false;
  // The view may hold an edit that began before the grid shrank under it.
  if (index.row() >= source_.rows() || index.column() >= source_.columns()) return false;
  source_.setCell(index.column(), index.row(), value.toString().toStdString());
  seenRevision_ = source_.revision();
  emit dataChanged(index, index);
  return true;
}

bool TempGridModel::Sync() {
  if (source_.revision() == seenRevision_) return false;
  seenRevision_ = source_.revision();
  const int rows = source_.rows();
  const int columns = source_.columns();
  if (rows != rows_ || columns != columns_) {
    beginResetModel();
    rows_ = rows;
    columns_ = columns;
    endResetModel();
  } else {
    Repaint();
  }
  return true;
}

void TempGridModel::Repaint() {
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

}  // namespace qx::gui::autotest

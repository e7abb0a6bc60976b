#include "gui/instruments/StepTableModel.h"

namespace qx::gui {

StepTableModel::StepTableModel(instruments::StepTable& table, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      rows_(table.RowCount() - 1),
      seenRevision_(table.Revision()) {}

int StepTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int StepTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : instruments::StepTable::kColumns;
}

QVariant StepTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return QString::fromStdString(table_.Cell(index.column(), index.row() + 1));
}

QVariant StepTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return QString::fromStdString(table_.Cell(section, 0));
}

Qt::ItemFlags StepTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool StepTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  // The view may hold an edit that began before the table shrank under it.
  if (index.row() + 1 >= table_.RowCount()) return false;
  const std::string refusal =
      table_.Edit(index.column(), index.row() + 1, value.toString().toStdString());
  if (!refusal.empty()) {
    if (onRefused) onRefused(refusal);
    return false;
  }
  seenRevision_ = table_.Revision();
  emit dataChanged(index, index);
  return true;
}

bool StepTableModel::Sync() {
  if (table_.Revision() == seenRevision_) return false;
  seenRevision_ = table_.Revision();
  const int rows = table_.RowCount() - 1;
  if (rows != rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  } else {
    if (rows_ > 0)
      emit dataChanged(index(0, 0), index(rows_ - 1, instruments::StepTable::kColumns - 1));
    emit headerDataChanged(Qt::Horizontal, 0, instruments::StepTable::kColumns - 1);
  }
  return true;
}

}  // namespace qx::gui

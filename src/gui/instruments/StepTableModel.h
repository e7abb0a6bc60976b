#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>

#include "core/instruments/StepTable.h"

namespace qx::gui {

/// A step table as a Qt table model. Table row 0 (the titles) is the horizontal header, so view
/// row r is table row r + 1. Every cell is edited straight into the table; a Step the table
/// refuses is left as it was and the refusal goes to `onRefused`.
class StepTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  StepTableModel(instruments::StepTable& table, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  /// Takes changes made to the table elsewhere (a resize, INI, a loaded file); false when the
  /// table has not changed since the last look.
  bool Sync();

  std::function<void(const std::string&)> onRefused;

 private:
  instruments::StepTable& table_;
  int rows_ = 0;
  int seenRevision_ = 0;
};

}  // namespace qx::gui

#pragma once

#include <QAbstractTableModel>

#include "core/views/GridSource.h"

namespace qx::gui {

/// A core grid as a Qt table model: texts, colours, underline and tips come from the source.
class GridTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  GridTableModel(const views::GridSource& source, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  /// Takes the source's current state: a new shape resets the model, else every cell changes.
  void Reload();

 private:
  const views::GridSource& source_;
  int rows_ = 0;
  int columns_ = 0;
};

/// 0xRRGGBB, or the palette's button colour for colour::kButtonFace.
QColor ToQColor(uint32_t colour);

}  // namespace qx::gui

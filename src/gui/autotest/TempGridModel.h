#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>

#include "core/autotest/TempTables.h"

namespace qx::gui::autotest {

/// One of the temperature window's text grids as a Qt table model. Every cell of the grid shows,
/// row 0 and column 0 included, as the string grids of the bench program showed them: the label
/// cells are shaded and read-only, the others are edited straight into the grid.
class TempGridModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// How the model reaches its grid.
  struct Source {
    std::function<int()> rows;
    std::function<int()> columns;
    std::function<int()> revision;
    std::function<const std::string&(int column, int row)> cell;
    /// Null for a read-only grid.
    std::function<void(int column, int row, const std::string& text)> setCell;
    /// A label cell: shaded and never edited.
    std::function<bool(int column, int row)> label;
  };

  TempGridModel(Source source, QObject* parent);

  /// A fixed-column text grid; `label` tells its label cells.
  template <int Columns>
  static Source Of(qx::autotest::TextGrid<Columns>& grid,
                   std::function<bool(int column, int row)> label) {
    return {[&grid] { return grid.RowCount(); },
            [] { return Columns; },
            [&grid] { return grid.Revision(); },
            [&grid](int c, int r) -> const std::string& { return grid.Cell(c, r); },
            [&grid](int c, int r, const std::string& text) { grid.SetCell(c, r, text); },
            std::move(label)};
  }
  /// The result table: read-only, its header row and point column shaded.
  static Source Of(const qx::autotest::ResultTable& table);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  /// Takes changes made to the grid elsewhere; false when it has not changed since the last look.
  bool Sync();
  /// Repaints every cell, changed or not (the result table's timer).
  void Repaint();

 private:
  Source source_;
  int rows_ = 0;
  int columns_ = 0;
  int seenRevision_ = 0;
};

}  // namespace qx::gui::autotest

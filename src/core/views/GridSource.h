#pragma once

#include <string>

#include "core/views/CellLook.h"

namespace qx::views {

/// A grid as a view model computes it: the front end paints exactly these texts and looks.
/// Columns and rows count from 0 and include header cells.
class GridSource {
 public:
  virtual ~GridSource() = default;
  virtual int Columns() const = 0;
  virtual int Rows() const = 0;
  virtual std::string Text(int col, int row) const = 0;
  virtual CellLook Look(int col, int row) const = 0;
  /// Longer description shown when the pointer rests on the cell; empty for none.
  virtual std::string Tip(int col, int row) const {
    (void)col, (void)row;
    return {};
  }
  /// A header cell the user cannot select or edit.
  virtual bool Fixed(int col, int row) const {
    (void)col, (void)row;
    return false;
  }
};

}  // namespace qx::views

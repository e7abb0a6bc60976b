#pragma once

#include "core/views/GridSource.h"
#include "core/views/RegisterViewModel.h"

namespace qx::views {

/// One of the register view's three grids as a paintable grid.
class RegisterGridSource final : public GridSource {
 public:
  RegisterGridSource(const RegisterViewModel& model, RegGrid grid) : model_(model), grid_(grid) {}
  int Columns() const override { return RegisterViewModel::kColumns; }
  int Rows() const override { return model_.Rows(grid_); }
  std::string Text(int col, int row) const override { return model_.Text(grid_, col, row); }
  CellLook Look(int col, int row) const override { return model_.Look(grid_, col, row); }
  std::string Tip(int col, int row) const override { return model_.Tip(grid_, col, row); }
  RegGrid Grid() const { return grid_; }

 private:
  const RegisterViewModel& model_;
  RegGrid grid_;
};

}  // namespace qx::views

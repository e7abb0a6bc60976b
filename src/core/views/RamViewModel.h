#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/chip/ChipModel.h"
#include "core/views/GridSource.h"
#include "core/views/HexRequest.h"
#include "core/views/RamCellMarks.h"
#include "core/views/RamSheetCell.h"
#include "core/views/TargetPort.h"

namespace qx::views {

/// Everything the RAM view `TQx_RAM` shows and does, without widgets: one bank of 256 bytes as
/// a 17 x 17 grid (row 0 and column 0 are headers), change colouring, marks and hints, typed and
/// popup edits, the RAM file and the spreadsheet layout.
class RamViewModel final : public GridSource {
 public:
  static constexpr int kBanks = 5;
  static constexpr int kGridSize = 17;

  /// `currentBank` is the program's bank setting (kept in the configuration file).
  RamViewModel(chip::ChipModel& chip, TargetPort& port, int& currentBank);

  /// Re-reads the shown bank; with `suppressChanges` no cell is marked as changed.
  void RefreshRam(bool suppressChanges);
  /// Shows bank 0..4 and refreshes it.
  void SelectBank(int bank);
  int Bank() const { return bank_; }
  ButtonLook BankButton(int bank) const;
  /// The chip has this bank (its button and menu item are shown).
  bool BankVisible(int bank) const;
  static std::string BankButtonName(int bank) { return "PBank" + std::to_string(bank); }
  static std::string BankMenuName(int bank) { return "RAMBANK" + std::to_string(bank); }

  /// Address of a data cell (column and row 1..16) of the shown bank; -1 for header cells.
  int Address(int col, int row) const;

  int Columns() const override { return kGridSize; }
  int Rows() const override { return kGridSize; }
  std::string Text(int col, int row) const override;
  CellLook Look(int col, int row) const override;
  std::string Tip(int col, int row) const override;
  bool Fixed(int col, int row) const override { return col == 0 || row == 0; }

  // Editing.
  std::optional<HexRequest> DoubleClick(int col, int row) const;
  /// Writes a confirmed popup value.
  void Commit(const WriteTarget& target, uint32_t value);
  /// A typed character; true when the key was taken. Enter ('\r') and tab write the cell.
  bool TypeKey(int col, int row, char c);
  /// Selection moved on or the window lost focus: the edited cell is written.
  void CommitPending();
  bool EditPending() const { return pending_; }

  // Marks and hints; header cells and unimplemented cells are ignored. Colours are 0xRRGGBB.
  void SetMark(int col, int row, uint32_t rgb);
  void ResetMark(int col, int row, uint32_t rgb);
  void ResetAllMarks();
  void ResetHint(int col, int row);
  void ResetAllHints();
  const RamMarks& Marks() const { return marks_; }

  // Files.
  std::string SaveText() const;
  /// Loads a RAM file: the values into the image (not the target), then the marks and hints.
  /// What was read before a fault stays. Returns the fault, or empty.
  std::string LoadText(std::string_view text);
  /// Cells of the "USER Data" worksheet for addresses 0..511.
  std::vector<RamSheetCell> SheetCells() const;

 private:
  int CellIndex(int col, int row) const;
  bool Editable(int address) const;
  void WriteCellText(int index);

  chip::ChipModel& chip_;
  TargetPort& port_;
  int& bank_;
  std::array<std::string, 256> cells_;
  RamMarks marks_{};
  bool pending_ = false;
  int pendingIndex_ = 0;
};

}  // namespace qx::views

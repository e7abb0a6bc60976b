#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/chip/ChipModel.h"
#include "core/chip/GridState.h"
#include "core/views/CellLook.h"
#include "core/views/HexRequest.h"
#include "core/views/PanelValue.h"
#include "core/views/RegGrid.h"
#include "core/views/TargetPort.h"

namespace qx::views {

/// A bit that the bit menu sets or clears.
struct BitTarget {
  uint16_t address = 0;
  int bit = 0;  ///< 0..7
  bool operator==(const BitTarget&) const = default;
};

/// Everything the register view `TQx_Reg2` shows and does, without widgets: the values and
/// colours of its grids and panels, and the writes its edits make.
class RegisterViewModel {
 public:
  static constexpr uint16_t kWorkAddress = 0x29;
  static constexpr uint16_t kFsr0High = 0x0F;
  static constexpr uint16_t kFsr0Low = 0x10;
  static constexpr uint16_t kFsr1High = 0x11;
  static constexpr uint16_t kFsr1Low = 0x12;
  static constexpr int kColumns = 9;
  static constexpr int kPages = 4;

  /// `currentPage` is the program's page setting (kept in the configuration file).
  RegisterViewModel(chip::ChipModel& chip, TargetPort& port, int& currentPage);

  /// Takes the grid names of a freshly loaded chip and rebuilds the bit grid.
  void ApplyChip();
  /// Rebuilds the bit grid for the current page, then refreshes without highlighting.
  void SWSREG();
  /// First and end index of the current page in the bit register list.
  std::pair<int, int> rkrr() const;
  /// Reads every register from the image and updates LastValue and Changed. Every register of
  /// every list is reached, however long the lists are.
  void RefreshRegisters(bool suppressHighlight);
  /// Page button: selects page 0..3 and rebuilds the bit grid.
  void SelectPage(int page);
  int Page() const { return page_; }
  /// Raised and coloured for the current page.
  ButtonLook PageButton(int page) const;
  /// The chip has registers on this page.
  bool PageVisible(int page) const;
  static const char* PageButtonName(int page);
  /// The window caption the chip file gave, or empty.
  std::string Caption() const;

  // Panels.
  const PanelValue& Work() const { return work_; }
  /// 0: FSR0, 1: byte at FSR0, 2: FSR1, 3: byte at FSR1.
  const PanelValue& Indirect(int i) const { return indirect_[static_cast<size_t>(i & 3)]; }
  static std::string ProgramCounterText() { return " Program Counter: 0"; }
  static std::string CycleText() { return " Cycle: 00000000"; }
  uint16_t Fsr(int selector) const;

  // Grids. Columns 0..8; rows as the grid has them.
  int Rows(RegGrid g) const;
  std::string Text(RegGrid g, int col, int row) const;
  CellLook Look(RegGrid g, int col, int row) const;
  std::string Tip(RegGrid g, int col, int row) const;

  // Editing.
  /// Double click on a cell: the popup request, or nothing when the cell does not edit that way.
  std::optional<HexRequest> DoubleClick(RegGrid g, int col, int row) const;
  /// The bit the bit menu would act on for a bit cell; nothing when no menu opens there.
  std::optional<BitTarget> BitMenu(int col, int row) const;
  void SetBit(const BitTarget& t);
  void ClearBit(const BitTarget& t);
  std::optional<HexRequest> WorkRequest() const;
  std::optional<HexRequest> IndirectRequest(int selector) const;
  std::optional<HexRequest> FsrRequest(int selector) const;
  static std::string FsrMenuCaption(int selector);
  /// Writes a confirmed popup value.
  void Commit(const WriteTarget& target, uint32_t value);

  /// A typed character in a cell of the byte or word grid; true when the key was taken.
  /// Enter ('\r') and tab write the cell; digits and backspace edit its text.
  bool TypeKey(RegGrid g, int col, int row, char c);
  /// Selection moves away from the edited cell: its pending edit is written.
  void CommitPending();
  bool EditPending() const { return pending_.active; }

 private:
  struct Pending {
    bool active = false;
    RegGrid grid = RegGrid::Byte;
    int col = 0;
    int row = 0;
  };

  chip::GridState& GridOf(RegGrid g);
  const chip::GridState& GridOf(RegGrid g) const;
  /// Register index of a value or name cell of the byte or word grid, or -1.
  int IndexAt(RegGrid g, int col, int row) const;
  int Count(RegGrid g) const;
  uint16_t FirstAddress(RegGrid g, int index) const;
  const chip::BitRegister* BitAt(int row) const;
  uint8_t Masked(int address) const;
  void Track(int address, uint8_t value);
  void SetValueCell(RegGrid g, int index, std::string text);
  void WriteCell(RegGrid g, int col, int row);
  void UpdatePanel(PanelValue& panel, int& last, int value, int digits, bool suppress);

  chip::ChipModel& chip_;
  TargetPort& port_;
  int& page_;
  int bitFirst_ = 0;
  int bitEnd_ = 0;
  chip::GridState bitGrid_;
  chip::GridState byteGrid_;
  chip::GridState wordGrid_;
  PanelValue work_;
  int lastWork_ = 0;
  std::array<PanelValue, 4> indirect_{};
  std::array<int, 4> lastIndirect_{};
  Pending pending_;
};

}  // namespace qx::views

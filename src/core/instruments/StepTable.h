#pragma once

#include <array>
#include <string>
#include <vector>

namespace qx::instruments {

/// A step table of the calibrator window (`FlukeGd`) or the power-supply window (`PowerGd`):
/// a text grid of three columns, row 0 the header, row m the instrument setting of mode m of
/// the temperature test. Column 1 ("Step") read as hex enables the row; column 2 is the command
/// line sent as typed.
class StepTable {
 public:
  static constexpr int kColumns = 3;
  static constexpr int kDefaultRows = 49;  ///< header and 48 steps
  static constexpr std::array<int, kColumns> kColumnWidths{28, 30, 240};
  static constexpr int kGridWidth = 338;
  static constexpr int kGridHeight = 622;
  static constexpr const char* kHeaders[kColumns] = {"序號", "Step", "輸入值"};

  StepTable() { FormCreate(); }

  /// 49 rows, the headers, column 0 numbered 1 to 48. Other cells are kept.
  void FormCreate();
  /// The calibrator window's `INI`: `modeCount` + 1 rows, column 0 renumbered 1 to modeCount.
  void INI(int modeCount);
  /// The row count the temperature test applies; rows added here have an empty column 0.
  void Resize(int rows);

  int RowCount() const { return static_cast<int>(cells_.size()); }
  /// Empty outside the grid.
  const std::string& Cell(int column, int row) const;
  /// Ignored outside the grid.
  void SetCell(int column, int row, const std::string& text);
  /// What the user types into a cell of a step row. A Step cell takes hex digits only, at most
  /// kStepDigits of them (the width of its field in the step files): any other character would
  /// read as 0 and silently turn the step off. Returns the refusal, cell unchanged, or empty
  /// when the text was taken.
  std::string Edit(int column, int row, const std::string& text);
  static constexpr size_t kStepDigits = 4;

  /// Column 1 of `row` is non-zero hex (empty or "0" disables, "A" enables).
  bool Enabled(int row) const;
  const std::string& Command(int row) const { return Cell(2, row); }

  /// Counts row changes, so a front end knows when to reread the grid.
  int Revision() const { return revision_; }

 private:
  std::vector<std::array<std::string, kColumns>> cells_;
  int revision_ = 0;
};

}  // namespace qx::instruments

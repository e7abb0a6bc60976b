#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx::autotest {

/// A text grid of fixed column count whose rows grow and shrink; cells outside read as empty
/// and ignore writes. The temperature window's tables are all of this kind.
template <int Columns>
class TextGrid {
 public:
  static constexpr int kColumns = Columns;

  int RowCount() const { return static_cast<int>(cells_.size()); }
  /// Keeps the cells of the rows that remain.
  void Resize(int rows) {
    cells_.resize(static_cast<size_t>(rows < 1 ? 1 : rows));
    ++revision_;
  }
  const std::string& Cell(int column, int row) const {
    static const std::string empty;
    if (column < 0 || column >= Columns || row < 0 || row >= RowCount()) return empty;
    return cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  }
  void SetCell(int column, int row, const std::string& text) {
    if (column < 0 || column >= Columns || row < 0 || row >= RowCount()) return;
    cells_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
    ++revision_;
  }
  /// Counts changes, so a front end knows when to reread the grid.
  int Revision() const { return revision_; }

 private:
  std::vector<std::array<std::string, Columns>> cells_{1};
  int revision_ = 0;
};

/// `TMPGrid`: row t is temperature point t: its number, temperature (°C), humidity, and the
/// ramp rates of both.
class TempPointTable : public TextGrid<5> {
 public:
  static constexpr int kMaxPoints = 30;
  static constexpr double kHighestTemp = 150;
  static constexpr const char* kHeaders[kColumns] = {"", "溫度", "濕度", "溫度斜率", "濕度斜率"};

  struct Built {
    int count = 1;          ///< points in the table
    std::string countText;  ///< what `ETempCount` shows afterwards
    std::string message;    ///< why the count was changed, empty when it was not
  };
  /// Table building from the texts of `ETempCount`, `ETMPBG` and `ETMPScale`: the 150 °C rule,
  /// then at most 30 points; rows 1..count numbered and filled, headers in row 0.
  Built Build(const std::string& countText, const std::string& startText,
              const std::string& stepText);

  int Points() const { return RowCount() - 1; }
  /// Column `column` of point `point` as a number; nothing when the cell is not a number.
  std::optional<double> Number(int column, int point) const;
};

/// `RegChg`: row 0 the register addresses (columns 1..10), "Delay" (11) and "ACM" (12); row m
/// the register values of mode m, its wait in seconds and the reference-voltage text.
class RegStepTable : public TextGrid<13> {
 public:
  static constexpr int kAddressColumns = 10;
  static constexpr int kDelayColumn = 11;
  static constexpr int kAcmColumn = 12;
  static constexpr int kMaxModes = 10000;
  static constexpr int kDefaultModes = 48;
  static constexpr int kLabelColumnWidth = 60;    ///< column 0
  static constexpr int kDefaultColumnWidth = 64;  ///< a column no labelling has narrowed

  /// The mode count the `EModenum` text gives: 48 for 0, a non-number or more than 10000.
  static int ParseModeCount(const std::string& text);
  /// `modes` + 1 rows (1..10000 modes), 13 columns, the labels of row 0 and column 0; other
  /// cells stay, rows beyond the new count are dropped.
  void Apply(int modes);
  /// Width of `column` after labelling: 60 for column 0, the widths rows 1..11 leave behind.
  /// Like the grid's own column widths they persist: a smaller mode count later does not widen
  /// the columns again.
  int ColumnWidth(int column) const;

  /// Leading row-0 cells of columns 1..10 in use: non-empty, or with `zeroEnds` also not hex 0
  /// (the rule of Save Reg).
  int AddressCount(bool zeroEnds = false) const;
  /// Leading rows from 1 whose column 1 holds at least one hex digit.
  int ModeCount() const;
  /// Register address of `column` (low byte of its hex) and value of `mode` in it.
  uint8_t Address(int column) const;
  uint8_t Value(int column, int mode) const;
  /// Column 11 of `mode` as whole seconds (0 when not a number).
  int DelaySeconds(int mode) const;
  const std::string& Reference(int mode) const { return Cell(kAcmColumn, mode); }

 private:
  std::array<int, kColumns> widths_{};  ///< 0: never narrowed, kDefaultColumnWidth
};

/// `TMPData`: row 0 "D - m" over mode column m, column 0 the point number, cell (m, t) the mean
/// of point t, mode m in "%f".
class ResultTable {
 public:
  int Columns() const { return columns_; }
  int Rows() const { return static_cast<int>(cells_.size()); }
  /// `columns` x `rows`, all cells empty, then the headers and point numbers.
  void Prepare(int columns, int rows, int points);
  /// `rows` rows, the cells of the rows that stay kept; new rows get their point number.
  void ResizeRows(int rows, int points);
  const std::string& Cell(int column, int row) const;
  void SetCell(int column, int row, const std::string& text);
  int Revision() const { return revision_; }

 private:
  int columns_ = 1;
  std::vector<std::vector<std::string>> cells_;
  int revision_ = 0;
};

/// "%f" as the result files and tables write it: fixed, two decimals.
std::string FixedTwo(double value);

}  // namespace qx::autotest

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/autotest/TempTables.h"
#include "core/base/Host.h"
#include "core/instruments/StepTable.h"

namespace qx::autotest {

/// What one register or step list command did, so a front end can say so.
struct ListFileReport {
  bool ok = false;        ///< false: the command stopped on a file error, already shown
  int modes = 0;          ///< mode rows N the tables were sized to
  int addresses = 0;      ///< register lists: leading address columns in use afterwards
  int modeCount = 0;      ///< register lists: leading mode rows in use afterwards
  int steps = 0;          ///< step lists: rows written, or rows filled from the file
  int skipped = 0;        ///< "Fluke.txt": lines without a step number, not loaded
  int ignoredLines = 0;   ///< lines past row N of the tables, not loaded
  int overwide = 0;       ///< saved cells wider than their field: they will not read back
  bool fileFound = true;  ///< downloads: "Register.txt", "Fluke.txt" or "Power.txt" existed
  std::string message;    ///< one line for the status bar or stderr; the error when !ok
  /// Lines loaded whose bytes are no text (see chip::IsAnsiText), as "file line N: ...".
  std::vector<std::string> warnings;
};

/// The File menu's list commands: the temperature window's register step table to and from
/// "Register.txt", "Delay.txt" and "ACM.txt", and the calibrator and power-supply step tables
/// to and from "Fluke.txt" and "Power.txt", all fixed-width text in the program folder.
///
/// Every command first sizes the tables to the mode count N (`RegStepTable::ParseModeCount` of
/// the mode-count box): the register table to N + 1 rows with its labels, both step tables to
/// N + 1 rows. Files are written whole through a temporary file; a file that cannot be written
/// or read is shown with `Host::ShowError` and ends the command.
class RegisterListFiles {
 public:
  static constexpr char kRegisterFile[] = "Register.txt";
  static constexpr char kDelayFile[] = "Delay.txt";
  static constexpr char kAcmFile[] = "ACM.txt";
  static constexpr char kFlukeFile[] = "Fluke.txt";
  static constexpr char kPowerFile[] = "Power.txt";
  /// The lists are a few kilobytes; a larger file is not one of them and is refused.
  static constexpr size_t kMaxFileBytes = size_t{4} << 20;
  static constexpr size_t kMaxLineBytes = 4096;
  static constexpr size_t kRegisterField = 4;  ///< "Register.txt", "Fluke.txt", "Power.txt"
  static constexpr size_t kNumberField = 6;    ///< "Delay.txt", "ACM.txt"
  static constexpr char kDefaultDelay[] = "15";
  static constexpr char kDefaultAcm[] = "2.4";

  RegisterListFiles(RegStepTable& regs, ResultTable& results, instruments::StepTable& fluke,
                    instruments::StepTable& power, base::Host& host, std::filesystem::path dir);

  /// "Save Reg": the address row and the mode rows in use, their delays and ACM values.
  ListFileReport SaveReg(int modes);
  /// "Download Reg": clears the register table, loads "Register.txt" (required), then
  /// "Delay.txt" and, when that exists, "ACM.txt"; prepares the result table for the modes.
  ListFileReport DownloadReg(int modes);
  /// "Save Fluke" / "Save Power": one line per enabled row.
  ListFileReport SaveFluke(int modes);
  ListFileReport SavePower(int modes);
  /// "DownLoad Fluke": clears the table and fills it from the lines that carry a step number.
  ListFileReport DownloadFluke(int modes);
  /// "Download Power": clears the table; line k of the file fills row k.
  ListFileReport DownloadPower(int modes);

  const std::filesystem::path& Dir() const { return dir_; }

  /// For a run of `modes` modes: the first line of "Delay.txt" or "ACM.txt" among those the
  /// run uses whose value the run cannot use, as "file line N: "value" is not ...". The panel's
  /// loading reads such a field as best it can (a "-" is dropped, "inf" reads 0); a run must
  /// not measure with what it guessed. Empty when every value is a plain number in range:
  /// whole seconds 0 to kMaxDelaySeconds, a reference voltage above 0 up to kMaxAcmVolts
  /// (a "V" after it allowed). Missing files are no error here.
  /// "Register.txt" is checked first: its addresses and values in the columns in use must be
  /// hex numbers 00 to FF, each within its field.
  std::string RunRefusal(int modes) const;
  static constexpr long kMaxDelaySeconds = 86400;
  static constexpr double kMaxAcmVolts = 10;
  static constexpr char kDelayNeeded[] = "a whole number of seconds from 0 to 86400";
  static constexpr char kAcmNeeded[] = "a reference voltage above 0 and up to 10 V";
  /// What a run accepts in the register table's cells (blanks around them removed): a delay,
  /// a reference voltage, a register address or value (hex, 00 to FF).
  static bool UsableDelay(std::string_view text);
  static bool UsableAcm(std::string_view text);
  static bool UsableByte(std::string_view text);

 private:
  std::string RegisterRefusal(int modes) const;
  int ApplyModes(int modes);
  ListFileReport SaveSteps(const instruments::StepTable& table, const char* file, int modes);
  ListFileReport DownloadSteps(instruments::StepTable& table, const char* file,
                               const char* tableName, bool skipUnnumbered, int modes);
  enum class ColumnLoad { Loaded, Missing, Failed };
  /// Loads column `column` of rows 1.. from the first six characters of each line of `file`;
  /// rows from the end of the file up to the mode count get `fallback`. A missing file changes
  /// nothing; a file that cannot be read is shown as an error.
  ColumnLoad LoadNumberColumn(const char* file, int column, bool allowPoint, const char* fallback,
                              ListFileReport& report);
  bool WriteFile(const char* file, const std::string& bytes, ListFileReport& report);
  ListFileReport& Fail(ListFileReport& report, const std::string& error);

  RegStepTable& regs_;
  ResultTable& results_;
  instruments::StepTable& fluke_;
  instruments::StepTable& power_;
  base::Host& host_;
  std::filesystem::path dir_;
};

}  // namespace qx::autotest

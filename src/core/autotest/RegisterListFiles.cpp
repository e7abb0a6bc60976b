#include "core/autotest/RegisterListFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "core/autotest/NumberText.h"
#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "core/base/FixedWidth.h"
#include "core/base/TextLineReader.h"
#include "core/chip/ChipLine.h"
#include "core/chip/TextConvert.h"

namespace qx::autotest {

namespace fs = std::filesystem;

namespace {

enum class ListState { Read, Missing, Refused };

struct ListText {
  ListState state = ListState::Read;
  std::string bytes;
  std::string reason;  ///< why a file that exists was not read
};

// Only a regular file of a plausible size is read; anything else is refused with the reason.
ListText ReadList(const fs::path& path) {
  ListText out;
  base::FileRead file = base::ReadRegularFile(path, RegisterListFiles::kMaxFileBytes);
  using Status = base::FileRead::Status;
  switch (file.status) {
    case Status::Ok:
      out.bytes = std::move(file.bytes);
      return out;
    case Status::Missing:
      out.state = ListState::Missing;
      return out;
    case Status::NotRegular:
      out.reason = "not a regular file";
      break;
    case Status::TooLarge:
      out.reason = "larger than " + std::to_string(RegisterListFiles::kMaxFileBytes >> 20) + " MiB";
      break;
    case Status::Unreadable:
      out.reason = file.reason;
      break;
  }
  out.state = ListState::Refused;
  return out;
}

// Calls `take(line)` for each line (CR LF or LF, the last one may lack its end) until it returns
// false. Returns the number of an over-long line, which ends the reading, or 0.
template <typename Take>
int ForEachLine(std::string_view text, Take&& take) {
  base::TextLineReader reader(text, RegisterListFiles::kMaxLineBytes);
  std::string_view line;
  for (;;) {
    const auto r = reader.Next(line);
    if (r == base::TextLineReader::Result::End) return 0;
    if (r == base::TextLineReader::Result::TooLong) return reader.LineNumber();
    if (!take(line)) return 0;
  }
}

// Field `index` (from 0) of `width` characters; a field ends early at the end of the line.
std::string_view FieldOf(std::string_view line, size_t index, size_t width) {
  const size_t at = std::min(index * width, line.size());
  return line.substr(at, width);
}

// s:w: right-aligned in `width` characters; longer text stays whole and is counted, since the
// fixed-width reading will not give it back.
std::string Field(const std::string& cell, size_t width, int& overwide) {
  if (cell.size() > width) {
    ++overwide;
    return cell;
  }
  return std::string(width - cell.size(), ' ') + cell;
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void Note(std::string& message, const std::string& text) {
  message += "; ";
  message += text;
}

std::string OverwideNote(int overwide) {
  return Plural(overwide, "cell is", "cells are") + " wider than its field and will not load back";
}

std::string IgnoredNote(int lines, int modes) {
  return Plural(lines, "line", "lines") + " past mode row " + std::to_string(modes) + " ignored";
}

std::string RefusedText(const fs::path& path, const std::string& reason) {
  return "Cannot read " + path.string() + ": " + reason;
}

std::string TooLongText(const char* file, int line) {
  return std::string(file) + " line " + std::to_string(line) + ": longer than " +
         std::to_string(RegisterListFiles::kMaxLineBytes) + " characters, not a list file";
}

}  // namespace

RegisterListFiles::RegisterListFiles(RegStepTable& regs, ResultTable& results,
                                     instruments::StepTable& fluke, instruments::StepTable& power,
                                     base::Host& host, fs::path dir)
    : regs_(regs),
      results_(results),
      fluke_(fluke),
      power_(power),
      host_(host),
      dir_(std::move(dir)) {}

int RegisterListFiles::ApplyModes(int modes) {
  regs_.Apply(modes);
  const int n = regs_.RowCount() - 1;
  fluke_.Resize(n + 1);
  power_.Resize(n + 1);
  return n;
}

ListFileReport& RegisterListFiles::Fail(ListFileReport& report, const std::string& error) {
  report.ok = false;
  report.message = error;
  host_.ShowError(error);
  return report;
}

bool RegisterListFiles::WriteFile(const char* file, const std::string& bytes,
                                  ListFileReport& report) {
  std::string error;
  if (base::AtomicFile::Write(dir_ / file, bytes, error)) return true;
  Fail(report, std::string("Cannot save ") + file + ": " + error);
  return false;
}

ListFileReport RegisterListFiles::SaveReg(int modes) {
  ListFileReport report;
  report.modes = ApplyModes(modes);
  // An address that reads as hex 0 ends the columns here, an empty one too.
  report.addresses = regs_.AddressCount(true);
  report.modeCount = regs_.ModeCount();

  std::string regText;
  std::string delayText;
  std::string acmText;
  for (int row = 0; row <= report.modeCount; ++row) {
    for (int c = 1; c <= RegStepTable::kAddressColumns; ++c) {
      static const std::string kUnused;
      const std::string& cell = c <= report.addresses ? regs_.Cell(c, row) : kUnused;
      regText += Field(cell, kRegisterField, report.overwide);
    }
    regText += base::kCrLf;
    if (row == 0) continue;
    delayText += Field(regs_.Cell(RegStepTable::kDelayColumn, row), kNumberField, report.overwide);
    delayText += base::kCrLf;
    acmText += Field(regs_.Cell(RegStepTable::kAcmColumn, row), kNumberField, report.overwide);
    acmText += base::kCrLf;
  }
  if (!WriteFile(kRegisterFile, regText, report) || !WriteFile(kDelayFile, delayText, report) ||
      !WriteFile(kAcmFile, acmText, report))
    return report;

  report.ok = true;
  report.message = std::string(kRegisterFile) + ", " + kDelayFile + " and " + kAcmFile +
                   " saved: " + Plural(report.addresses, "address", "addresses") + ", " +
                   Plural(report.modeCount, "mode", "modes");
  if (report.addresses == 0 && report.modeCount > 0)
    Note(report.message, "no register address in column 1, so no register value was saved");
  if (report.overwide > 0) Note(report.message, OverwideNote(report.overwide));
  return report;
}

ListFileReport RegisterListFiles::DownloadReg(int modes) {
  ListFileReport report;
  const int n = report.modes = ApplyModes(modes);
  // The address row is cleared as well: addresses left over from an earlier list would otherwise
  // stay beside the loaded ones, and the test would write their registers with value 0.
  for (int c = 1; c <= RegStepTable::kAddressColumns; ++c) regs_.SetCell(c, 0, "");
  for (int row = 1; row <= n; ++row)
    for (int c = 1; c <= RegStepTable::kAcmColumn; ++c) regs_.SetCell(c, row, "");

  const fs::path regPath = dir_ / kRegisterFile;
  const ListText reg = ReadList(regPath);
  if (reg.state != ListState::Read) {
    report.fileFound = reg.state != ListState::Missing;
    return Fail(report,
                RefusedText(regPath, reg.state == ListState::Missing ? "the file does not exist"
                                                                     : reg.reason));
  }
  int row = 0;
  bool full = false;
  const int tooLong = ForEachLine(reg.bytes, [&](std::string_view line) {
    if (full) {
      ++report.ignoredLines;
      return true;
    }
    for (int c = 1; c <= RegStepTable::kAddressColumns; ++c) {
      const std::string digits =
          HexDigitsOf(FieldOf(line, static_cast<size_t>(c - 1), kRegisterField));
      if (!digits.empty()) regs_.SetCell(c, row, digits);
    }
    ++row;
    if (row > n) {
      full = true;
      return true;
    }
    host_.PumpEvents();
    host_.SetStatus(0, "Download Register Value - " + std::to_string(row));
    return true;
  });
  if (tooLong != 0) return Fail(report, TooLongText(kRegisterFile, tooLong));

  report.addresses = regs_.AddressCount(false);
  report.modeCount = regs_.ModeCount();
  results_.Prepare(std::min(report.modeCount, 10) + 1, report.modeCount / 10 + 2, 0);
  report.message = std::string(kRegisterFile) +
                   " loaded: " + Plural(report.addresses, "address", "addresses") + ", " +
                   Plural(report.modeCount, "mode", "modes");
  if (report.ignoredLines > 0) Note(report.message, IgnoredNote(report.ignoredLines, n));

  // "ACM.txt" is only read after "Delay.txt", and the final text needs both.
  const ColumnLoad delay =
      LoadNumberColumn(kDelayFile, RegStepTable::kDelayColumn, false, kDefaultDelay, report);
  const ColumnLoad acm =
      delay == ColumnLoad::Loaded
          ? LoadNumberColumn(kAcmFile, RegStepTable::kAcmColumn, true, kDefaultAcm, report)
          : ColumnLoad::Missing;
  if (delay == ColumnLoad::Failed || acm == ColumnLoad::Failed) return report;
  report.ok = true;
  if (delay == ColumnLoad::Missing) {
    Note(report.message, std::string(kDelayFile) + " not found, no delays or ACM values loaded");
  } else if (acm == ColumnLoad::Missing) {
    Note(report.message, std::string(kAcmFile) + " not found, no ACM values loaded");
  } else {
    host_.SetStatus(0, "Download Register Value OK !!!");
    Note(report.message, std::string(kDelayFile) + " and " + kAcmFile + " loaded");
  }
  return report;
}

// A delay field keeps its hex digit characters, an ACM field also its ".", and what is kept is
// read as a decimal number. Kept text that is no decimal number, such as "1A", gives 0: the value
// the test itself takes from a delay cell that is not a number, so a list saved and loaded again
// runs with the same waits.
RegisterListFiles::ColumnLoad RegisterListFiles::LoadNumberColumn(const char* file, int column,
                                                                  bool allowPoint,
                                                                  const char* fallback,
                                                                  ListFileReport& report) {
  const fs::path path = dir_ / file;
  const ListText list = ReadList(path);
  if (list.state == ListState::Missing) return ColumnLoad::Missing;
  if (list.state == ListState::Refused) {
    Fail(report, RefusedText(path, list.reason));
    return ColumnLoad::Failed;
  }
  const int n = regs_.RowCount() - 1;
  int row = 1;
  const int tooLong = ForEachLine(list.bytes, [&](std::string_view line) {
    if (row > n) return false;
    const std::string_view field = line.substr(0, kNumberField);
    std::string kept;
    if (allowPoint) {
      for (char c : field)
        if (c == '.' || IsHexDigit(c)) kept += c;
      const auto value = DecimalNumber(kept);
      regs_.SetCell(column, row, value ? ShortestText(*value) : "0");
    } else {
      kept = HexDigitsOf(field);
      const auto value = WholeNumber(kept);
      regs_.SetCell(column, row, std::to_string(value.value_or(0)));
    }
    ++row;
    return true;
  });
  if (tooLong != 0) {
    Fail(report, TooLongText(file, tooLong));
    return ColumnLoad::Failed;
  }
  for (; row <= report.modeCount; ++row) regs_.SetCell(column, row, fallback);
  return ColumnLoad::Loaded;
}

bool RegisterListFiles::UsableDelay(std::string_view f) {
  long v = -1;
  const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
  return !f.empty() && ec == std::errc() && end == f.data() + f.size() && v >= 0 &&
         v <= kMaxDelaySeconds;
}

bool RegisterListFiles::UsableAcm(std::string_view f) {
  if (!f.empty() && (f.back() == 'V' || f.back() == 'v')) f.remove_suffix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
  return !f.empty() && ec == std::errc() && end == f.data() + f.size() && std::isfinite(v) &&
         v > 0 && v <= kMaxAcmVolts;
}

bool RegisterListFiles::UsableByte(std::string_view f) {
  if (f.empty() || f.find_first_not_of("0123456789ABCDEFabcdef") != std::string_view::npos)
    return false;
  const size_t first = f.find_first_not_of('0');
  return first == std::string_view::npos || f.size() - first <= 2;
}

std::string RegisterListFiles::RunRefusal(int modes) const {
  auto check = [&](const char* file, auto&& usable, const char* needed) -> std::string {
    const ListText list = ReadList(dir_ / file);
    if (list.state != ListState::Read) return {};
    int line = 0;
    std::string refusal;
    ForEachLine(list.bytes, [&](std::string_view text) {
      if (++line > modes) return false;
      std::string_view field = text.substr(0, kNumberField);
      while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
      while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
      if (usable(field)) return true;
      refusal = std::string(file) + " line " + std::to_string(line) + ": \"" + std::string(field) +
                "\" is not " + needed;
      return false;
    });
    return refusal;
  };
  if (std::string regs = RegisterRefusal(modes); !regs.empty()) return regs;
  const std::string delay = check(kDelayFile, UsableDelay, kDelayNeeded);
  if (!delay.empty()) return delay;
  return check(kAcmFile, UsableAcm, kAcmNeeded);
}

// The panel's loading keeps the hex digits of a field and the register write keeps the low
// byte, so "1G" would write 01 and "9999" 99: a run must not write what it guessed.
std::string RegisterListFiles::RegisterRefusal(int modes) const {
  const ListText list = ReadList(dir_ / kRegisterFile);
  if (list.state != ListState::Read) return {};
  const size_t columns = static_cast<size_t>(regs_.AddressCount());
  int line = 0;
  std::string refusal;
  ForEachLine(list.bytes, [&](std::string_view text) {
    if (++line > modes + 1) return false;
    for (size_t c = 0; c < columns; ++c) {
      std::string_view field = FieldOf(text, c, kRegisterField);
      while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
      while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
      if (field.empty()) continue;
      // A field whose number runs on into the next one is one number, not two.
      const size_t end = (c + 1) * kRegisterField;
      const bool runsOn = end < text.size() && text[end] != ' ' && text[end - 1] != ' ';
      if (UsableByte(field) && !runsOn) continue;
      const size_t at = static_cast<size_t>(field.data() - text.data());
      size_t stop = text.find(' ', at);
      if (stop == std::string_view::npos) stop = text.size();
      refusal = std::string(kRegisterFile) + " line " + std::to_string(line) + ": \"" +
                std::string(text.substr(at, stop - at)) + "\" is not a register " +
                (line == 1 ? "address" : "value") + " 00 to FF";
      return false;
    }
    return true;
  });
  return refusal;
}

ListFileReport RegisterListFiles::SaveFluke(int modes) {
  return SaveSteps(fluke_, kFlukeFile, modes);
}

ListFileReport RegisterListFiles::SavePower(int modes) {
  return SaveSteps(power_, kPowerFile, modes);
}

ListFileReport RegisterListFiles::DownloadFluke(int modes) {
  return DownloadSteps(fluke_, kFlukeFile, "calibrator", true, modes);
}

ListFileReport RegisterListFiles::DownloadPower(int modes) {
  return DownloadSteps(power_, kPowerFile, "power-supply", false, modes);
}

ListFileReport RegisterListFiles::SaveSteps(const instruments::StepTable& table, const char* file,
                                            int modes) {
  ListFileReport report;
  report.modes = ApplyModes(modes);
  std::string text;
  bool gap = false;
  for (int row = 1; row <= report.modes; ++row) {
    if (!table.Enabled(row)) continue;
    gap = gap || row != report.steps + 1;
    text += Field(table.Cell(1, row), kRegisterField, report.overwide);
    text += table.Cell(2, row);
    text += base::kCrLf;
    ++report.steps;
  }
  if (!WriteFile(file, text, report)) return report;
  report.ok = true;
  report.message = std::string(file) + " saved: " + Plural(report.steps, "step", "steps");
  // The file keeps no row numbers: loaded again, the steps fill the rows from 1 on.
  if (gap) Note(report.message, "rows without a step are not saved, later steps load into them");
  if (report.overwide > 0) Note(report.message, OverwideNote(report.overwide));
  return report;
}

// "Fluke.txt" step fields are read as hex, the way the Step column and Save Fluke read them, so
// a step marked "A" or "1A" loads again; a field without a non-zero hex number (blank, "0") is no
// step and its line is skipped. "Power.txt" skips nothing: line k fills row k.
ListFileReport RegisterListFiles::DownloadSteps(instruments::StepTable& table, const char* file,
                                                const char* tableName, bool skipUnnumbered,
                                                int modes) {
  ListFileReport report;
  const int n = report.modes = ApplyModes(modes);
  for (int row = 1; row <= n; ++row) {
    table.SetCell(1, row, "");
    table.SetCell(2, row, "");
  }
  const fs::path path = dir_ / file;
  const ListText list = ReadList(path);
  if (list.state == ListState::Refused) return Fail(report, RefusedText(path, list.reason));
  if (list.state == ListState::Missing) {
    report.ok = true;
    report.fileFound = false;
    report.message = std::string(file) + " not found: the " + tableName + " table was cleared";
    return report;
  }
  int row = 1;
  int lineNumber = 0;
  const int tooLong = ForEachLine(list.bytes, [&](std::string_view line) {
    ++lineNumber;
    const std::string digits = HexDigitsOf(FieldOf(line, 0, kRegisterField));
    if (skipUnnumbered && chip::HexValue(digits) == 0) {
      ++report.skipped;
      return true;
    }
    if (row > n) {
      ++report.ignoredLines;
      return true;
    }
    table.SetCell(1, row, digits);
    table.SetCell(2, row, std::string(line.substr(std::min(line.size(), kRegisterField))));
    if (!chip::IsAnsiText(line))
      report.warnings.push_back(std::string(file) + " line " + std::to_string(lineNumber) +
                                ": bytes that are neither code page 950 (Big5) nor UTF-8 text");
    ++row;
    return true;
  });
  report.steps = row - 1;
  if (tooLong != 0) return Fail(report, TooLongText(file, tooLong));
  report.ok = true;
  report.message = std::string(file) + " loaded: " + Plural(report.steps, "row", "rows");
  if (report.skipped > 0)
    Note(report.message, Plural(report.skipped, "line", "lines") + " without a step skipped");
  if (report.ignoredLines > 0) Note(report.message, IgnoredNote(report.ignoredLines, n));
  if (!report.warnings.empty()) Note(report.message, report.warnings.front());
  return report;
}

}  // namespace qx::autotest

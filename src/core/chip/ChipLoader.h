#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Host.h"
#include "core/chip/ChipLine.h"
#include "core/chip/ChipModel.h"
#include "core/chip/NumberRegister.h"
#include "core/chip/TextSource.h"

namespace qx::chip {

/// Name of the chip index file in the chip folder.
inline constexpr char kChipIndexFile[] = "QxSel.INC";

/// What the views hold when a load starts; the load corrects what the new chip lacks.
struct LoadRequest {
  uint16_t chipIndex = 0;  ///< entry of the setup dialog's chip list
  int currentBank = 0;     ///< RAM bank shown by the RAM view
  int currentPage = 0;     ///< register page shown by the register view
};

/// Outcome of GetSELUP. Effects on windows are recorded in ChipModel::Ui; what belongs to
/// other records (the link kind, the configuration's window flags) is returned for the caller.
struct LoadResult {
  enum class Status {
    Loaded,           ///< the chip file was read to its end
    IndexMissing,     ///< no chip index file
    ChipFileMissing,  ///< the index names no file, or the named file does not exist
    ReadError,        ///< a file exists but could not be read
    BadData,          ///< the chip file is not text; the load stopped at `errorLine`
  };
  Status status = Status::IndexMissing;
  bool Ok() const { return status == Status::Loaded; }

  std::string chipFile;                   ///< path of the chip description file
  std::optional<uint16_t> forceLinkKind;  ///< product "7R402": the link kind becomes 2
  bool clearAdcWindowFlag = false;  ///< no "#ADC0S": clear the ADC panel's window flag (third)
  int currentBank = 0;              ///< corrected RAM bank
  int currentPage = 0;              ///< corrected register page; the view rebuilds it (SWSREG)
  std::string error;                ///< "file:line: reason" for ReadError and BadData
  int errorLine = 0;
  std::vector<std::string> warnings;  ///< "file:line: reason" for lines that were skipped
};

/// The chip description loader of the setup dialog: reads the chip index file and the chip
/// file of the selected entry into the ChipModel.
class ChipLoader {
 public:
  /// `folder` is the chip folder (the program folder + "INCLUDE/").
  ChipLoader(ChipModel& model, TextSource& files, base::Host& host, std::string folder)
      : model_(model), files_(files), host_(host), folder_(std::move(folder)) {}

  /// Loads chip `request.chipIndex`. Calls Host::MenuVisibilityChanged() once the optional
  /// menu items are hidden, and Host::ChipLoaded() once the chip file has been parsed (also
  /// when it stopped early on bad data); read errors and bad data go to Host::ShowError().
  LoadResult GetSELUP(const LoadRequest& request);

 private:
  struct Pass;  // state of one load

  void HideOptionalControls();
  void ResetForNewChip();
  void Directive(Pass& pass, uint16_t directive);
  void DataLine(Pass& pass, const ChipLine& line, std::string_view raw);
  void BitLine(Pass& pass, const ChipLine& line, int page);
  void ByteLine(Pass& pass, const ChipLine& line);
  void WordLine(Pass& pass, const ChipLine& line);
  void RamBankLine(Pass& pass, const ChipLine& line, int bank);
  void DescriptionLine(Pass& pass, const ChipLine& line, std::string_view raw, int kind);
  void Finish(LoadResult& result, const LoadRequest& request);
  void Fail(LoadResult& result, LoadResult::Status status, std::string error);

  ChipModel& model_;
  TextSource& files_;
  base::Host& host_;
  std::string folder_;
};

}  // namespace qx::chip

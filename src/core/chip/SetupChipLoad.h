#pragma once

#include <string>

#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/ChipModel.h"
#include "core/chip/TextSource.h"
#include "core/link/TargetRecord.h"

namespace qx::chip {

/// Loads the chip description of the target's `ChipIndex` and carries the outcome into the
/// records the loader does not own: the link kind, the views' bank and page, the option flags
/// and the optocoupler box. The windows hear one Host::ChipLoaded() per load, after all of that
/// is in place and also when no file was found (the gains and masks were reset even then).
class SetupChipLoad {
 public:
  SetupChipLoad(ChipModel& chip, link::TargetRecord& target, base::Settings& settings,
                base::Host& host, TextSource& files, std::string folder)
      : chip_(chip),
        target_(target),
        settings_(settings),
        host_(host),
        files_(files),
        folder_(std::move(folder)) {}

  /// The chip folder of a program folder: "INCLUDE/" beneath it.
  static std::string FolderOf(const std::string& programDir) {
    return JoinPath(programDir, "INCLUDE/");
  }

  LoadResult Load();

  const std::string& Folder() const { return folder_; }

 private:
  ChipModel& chip_;
  link::TargetRecord& target_;
  base::Settings& settings_;
  base::Host& host_;
  TextSource& files_;
  std::string folder_;
};

}  // namespace qx::chip

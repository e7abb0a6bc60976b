#pragma once

#include <filesystem>
#include <string>

#include "core/autotest/SwitchChannels.h"

namespace qx::autotest {

/// The switch test's result files "QxADCSW0.CSV" .. "QxADCSW7.CSV", one per channel record.
class SwitchCsv {
 public:
  static std::string FileName(int k);
  /// Header "  , Data 0, Data 1, ..." and one row per loop: loop number, then its samples.
  static std::string Text(const ChannelRecord& record);

  struct Outcome {
    bool ok = true;
    int failedFile = -1;  ///< first file that could not be written, -1 when none
    std::string error;    ///< the message for the user
  };
  /// Writes all eight files beside each other in `dir`. Each goes to a temporary file first; only
  /// when all eight are complete are they renamed over the old ones, so a failure never leaves a
  /// mixed or half-written set. On failure every temporary file is removed.
  static Outcome WriteAll(const std::filesystem::path& dir,
                          const std::array<ChannelRecord, kChannels>& records);
};

}  // namespace qx::autotest

#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>

#include "core/instruments/InstrumentPorts.h"

namespace qx::instruments {

/// "QxMeters.txt" in the program folder: the bench port of each of the six multimeters, one
/// line "METERn COMm" per meter that has one (n from 1), and of the calibrator, the power
/// supply and the chamber ("FLUKE COMm", "POWER COMm", "CHAMBER COMm"). Kept apart from
/// "QxADC.cfg", whose layout other copies of the program read.
struct MeterPortsFile {
  static constexpr char kFileName[] = "QxMeters.txt";
  /// Six short lines; anything larger is not this file.
  static constexpr size_t kMaxBytes = 64 * 1024;
  using Names = std::array<std::string, InstrumentPorts::kMeterCount>;
  /// The ports of the setup dialog's three instrument lists; empty when none was chosen.
  struct InstrumentNames {
    std::string fluke, power, chamber;
    bool operator==(const InstrumentNames&) const = default;
  };

  /// Names from the file; a missing file gives six empty names. Lines that do not parse are
  /// skipped and counted in `skipped`. A file that is there but not read (a folder, a device,
  /// too large, unreadable) gives six empty names too, and `error` says why, naming the file.
  static Names Load(const std::filesystem::path& file, int* skipped = nullptr,
                    std::string* error = nullptr);
  /// The three instruments' ports from the file, read as `Load` reads the meters'.
  static InstrumentNames LoadInstruments(const std::filesystem::path& file,
                                         std::string* error = nullptr);
  /// Writes the file atomically with these meter ports and the instrument ports it holds;
  /// false with `error` set when that failed.
  static bool Save(const std::filesystem::path& file, const Names& names, std::string& error);
  /// Writes the file atomically with these instrument ports and the meter ports it holds.
  static bool SaveInstruments(const std::filesystem::path& file, const InstrumentNames& names,
                              std::string& error);
};

}  // namespace qx::instruments

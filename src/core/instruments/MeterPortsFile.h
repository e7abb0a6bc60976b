#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "core/instruments/InstrumentPorts.h"

namespace qx::instruments {

/// "QxMeters.txt" in the program folder: the bench port of each of the six multimeters, one
/// line "METERn COMm" per meter that has one (n from 1). Kept apart from "QxADC.cfg", whose
/// layout other copies of the program read.
struct MeterPortsFile {
  static constexpr char kFileName[] = "QxMeters.txt";
  using Names = std::array<std::string, InstrumentPorts::kMeterCount>;

  /// Names from the file; a missing file gives six empty names. Lines that do not parse are
  /// skipped and counted in `skipped`.
  static Names Load(const std::filesystem::path& file, int* skipped = nullptr);
  /// Writes the file atomically; false with `error` set when that failed.
  static bool Save(const std::filesystem::path& file, const Names& names, std::string& error);
};

}  // namespace qx::instruments

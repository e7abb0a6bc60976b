#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/analysis/AdcGain.h"
#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/link/TargetRecord.h"

namespace qx::analysis {

/// One register of the ADC block as it stood when the capture was exported.
struct ExportRegister {
  uint16_t address = 0;
  uint8_t value = 0;
};

/// What produced a capture: the settings written into the export's header.
struct CaptureSettings {
  std::string dateTime;  ///< ISO 8601, from the caller's wall clock
  std::string chipName;
  int linkKind = 0;
  std::string linkName;
  std::vector<ExportRegister> registers;  ///< in address order
  AdcGain gain;
  double totalGain = 1;  ///< the gain of the figures and of the volts column
  std::string referenceText;
  double referenceVolts = 0;
  std::optional<double> outputRateSps;  ///< nothing when the chip's rate is unknown
  int bits = 0;
  int averaging = 1;
  bool complete = true;  ///< the capture reached its sample count
};

/// The settings of `capture` on `chip` and `target`: the ADC block's registers (the addresses
/// of the chip's ADC fields) from the register image, the gains of the field values, the
/// reference text of the window, the rate of the OSR and HS fields, the resolution and the
/// averaging factor. `dateTime` is the caller's (see IsoLocalTime).
CaptureSettings DescribeCapture(const AdcCapture& capture, bool complete,
                                const chip::ChipModel& chip, const link::TargetRecord& target,
                                const base::Settings& settings, const std::string& dateTime);

/// `time` in the local time zone as ISO 8601 with its offset: "2024-05-01T14:03:59+02:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point time);

/// Volts of a streamed 24-bit code: code x Vref / (2^23 x gain).
double CodeVolts(int32_t code, double referenceVolts, double gain);

/// The export file: "# " header lines with the settings, the column line "index,code,volts",
/// then one line per code: its index, the signed code in decimal and its volts in scientific
/// notation with nine decimals (enough to give the code back). Lines end in CR LF.
std::string CaptureExportText(const CaptureSettings& settings, std::span<const int32_t> codes);

/// Writes `text` to `path` through a temporary file renamed over it; false with the reason in
/// `error` when it cannot be written.
bool WriteCaptureExport(const std::filesystem::path& path, const std::string& text,
                        std::string& error);

}  // namespace qx::analysis

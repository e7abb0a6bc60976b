#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/autotest/SwitchChannels.h"

namespace qx::autotest {

/// What "StepADC.txt" keeps of the switch test: list choices, channel boxes, the register values
/// of the eight channels and the table on show.
struct StepSettings {
  int stepLenIndex = kDefaultStepLenIndex;
  int loopIndex = kDefaultLoopIndex;
  std::array<bool, kChannels> enabled{};
  std::array<std::array<uint8_t, kChannelRegisters>, kChannels> values{};
  int currentStep = 0;
};

/// Result of reading the file: the lines that could be read are applied, the first line that
/// could not is named.
struct StepFileResult {
  bool complete = true;  ///< every group was present and valid
  int badLine = 0;       ///< 1-based line of the first missing or invalid group, 0 when none
  std::string message;   ///< status text; empty when complete
};

/// "StepADC.txt": twelve lines of numbers right-aligned in 4-character fields, CR LF ends.
class StepFile {
 public:
  static constexpr char kFileName[] = "StepADC.txt";
  static constexpr size_t kFieldWidth = 4;
  static constexpr int kLines = 12;

  static std::string Text(const StepSettings& s);
  /// Reads `text` over `s`: a valid line replaces its group, an invalid or missing one leaves
  /// the group as it was. Lines after the twelfth are ignored.
  static StepFileResult Read(std::string_view text, StepSettings& s);
};

}  // namespace qx::autotest

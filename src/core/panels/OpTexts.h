#pragma once

#include <array>
#include <optional>
#include <string>

namespace qx::panels {

/// Derived texts of the op-amp and comparator panels.
class OpTexts {
 public:
  /// Chopper or offset mode of OP0M; nothing for a value beyond the four settings.
  static std::optional<std::string> ModeText(int op0m);
  /// "VDDA = 2.4V V" from the level names of the chip, or "VDDA = External" while the
  /// internal supply is off.
  static std::string VddaText(int envdda, int vddax, const std::array<std::string, 4>& names);
  /// "ON" / "OFF".
  static std::string OnOff(int value) { return value != 0 ? "ON" : "OFF"; }
  /// Caption of the comparator threshold label of CPVRS code `k` (0..15).
  static std::string ThresholdCaption(int k);
  /// Caption of the CPVCS source label of code `k` (0..3).
  static std::string SourceCaption(int k);
};

}  // namespace qx::panels

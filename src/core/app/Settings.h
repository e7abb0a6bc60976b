#pragma once

#include <array>
#include <cstdint>

namespace qx::app {

/// Settings that windows keep in their controls and the configuration file stores. Windows
/// bind to their part of it when they are created.
struct Settings {
  /// Optocoupler option of the setup dialog; the configuration loader always checks it.
  bool Photo = true;
  /// Function list of the analysis window: 0 "Scale", 1 "DMM".
  int ComFun = 0;
  /// One-shot ADC function: 0 "Free", 1 "Cancel Pos Zero", 2 "Cancel Neg Zero", 3 "Chopper ".
  int CFunADC = 0;
  /// Values last written to addresses 60..64 and 48, per function.
  std::array<uint8_t, 6> ScalePreset{};
  std::array<uint8_t, 6> DmmPreset{};
};

}  // namespace qx::app

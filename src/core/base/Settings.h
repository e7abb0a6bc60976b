#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qx::base {

/// Settings that windows keep in their controls and the configuration file stores. Windows
/// bind to their part of it when they are created. A list index of -1 means "no item chosen".
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

  /// Six option flags of the main window; the chip loader clears [2] when the chip has no ADC
  /// block. Nothing else reads them.
  std::array<bool, 6> OptionFlags{};
  int CurrentPage = 0;  ///< register page of the register view, 0..3
  int CurrentBank = 0;  ///< RAM bank of the RAM view, 0..4

  int AdcDisplayMode = 0;   ///< ADC panel `TXADCOMD`: 0 "HEX", 1 "DEC"
  int AdcOutBitsIndex = 7;  ///< ADC panel `TXADCObit`: item k is k + 8 bits

  int NPointIndex = -1;  ///< analysis window point count item: N = 64 * 2^k
  int PointCount = 0;    ///< capture length N; 0 until an item is chosen
  int ScaleIndex = -1;   ///< `TXScale` of the analysis window and of the switch test: k + 8 bits
  bool AnalysisTableMode = false;  ///< analysis window shows its code table, chart hidden
  bool AverageChart = false;       ///< analysis chart shows window sums

  int CLPT = 0;                  ///< setup dialog parallel port list
  uint16_t LptPortBase = 0x378;  ///< I/O base of the parallel port
  /// Serial line lists (`TXBaud`, `TXCOM`, `TXParity`) and `CLPT` of the setup dialog; the
  /// configuration loader disables them.
  bool SerialListsEnabled = true;

  int32_t CalValue = 0;    ///< calibration value of the analysis window
  int32_t CalReading = 0;  ///< calibration reading of the analysis window

  int ADShift = 0;            ///< switch test `ADShift` list, "shift 0".."shift 15"
  std::string EREFV = "2.4";  ///< analysis window reference voltage text, in volts
  int CMAVR = -1;             ///< analysis window averaging list "1" .. "32"
  bool CHFULL = false;        ///< temperature window: also write raw sample files
  std::string EGv = "500";    ///< analysis window hidden box `EGv`
  bool ChTemper = false;      ///< analysis window hidden "Temperature" check box
  /// Code divisor D = 2^(23 - B) of the scale item, shared by the analysis window and the
  /// switch test. 1 (full 23-bit codes) until a scale item is chosen.
  int CodeDivisor = 1;
  std::string ENumD = "16";  ///< analysis window hidden window length of the average chart
  bool FastRead = true;      ///< analysis window hidden "中斷讀取": capture in stream mode 3
};

}  // namespace qx::base

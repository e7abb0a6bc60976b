#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qx::panels {

/// Which reference source a VRPS / VRNS setting selects and whether its buffer is in the path.
struct ReferenceState {
  int label = 0;  ///< 0 the external reference pin, 1 VDDA, 2 the 1.2 V source
  bool bufferOn = false;
  bool operator==(const ReferenceState&) const = default;
};

/// The derived texts and schematic states of the ADC panel, each from one field value.
class AdcTexts {
 public:
  /// "+3/8*VRE" and friends; values above 15 read as 15.
  static std::string OffsetText(int dcset);
  /// "ADC_CK = 240sps"; OSR values above 7 read as 0, any HS other than 0 selects high speed.
  static std::string RateText(int osr, int hs);
  /// The output rate in samples per second that OSR and HS select, read as RateText does.
  static int RateSps(int osr, int hs);
  /// Clock-source label lit by OSCS (values above 3 read as 3).
  static const char* ClockLabel(int oscs);
  /// Values above 3 read as 0.
  static ReferenceState Reference(int vrs);
  /// "x 64"; values above 7 read as 7.
  static std::string PgaText(int pga, const std::array<uint8_t, 8>& gains);
  /// "ADGN = 2"; values above 3 read as 3.
  static std::string AdgnText(int adgn, const std::array<uint8_t, 4>& gains);
  /// "FRb = 1/2" or "FRb = full".
  static std::string FrbText(int fsrb);
  /// "1.5V" or "1.2V".
  static std::string RefoText(int refo);
};

}  // namespace qx::panels

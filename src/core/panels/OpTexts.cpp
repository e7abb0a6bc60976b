#include "core/panels/OpTexts.h"

namespace qx::panels {

std::optional<std::string> OpTexts::ModeText(int op0m) {
  static const std::array<const char*, 4> kModes = {"Chopper HS_DCK/32", "Chopper HS_DCK/64",
                                                    "Offset Position", "Offset Negative"};
  if (op0m < 0 || op0m > 3) return std::nullopt;
  return kModes[static_cast<size_t>(op0m)];
}

std::string OpTexts::VddaText(int envdda, int vddax, const std::array<std::string, 4>& names) {
  if (envdda != 1) return "VDDA = External";
  return "VDDA = " + names[static_cast<size_t>(vddax & 3)] + " V";
}

std::string OpTexts::ThresholdCaption(int k) {
  // The panel's own captions, the numbering of codes 1001 and 1010 included.
  static const std::array<const char*, 16> kCaptions = {
      "Floating",       "VR0 = 62.5mV",  "VR1 = 125mV",    "VR2 = 187.5mV",
      "VR3 = 250mV",    "VR4 = 312.5mV", "VR5 = 375mV",    "VR6 = 437.5mV",
      "VR7 = 562.5mV",  "VR9 = 625mV",   "VR9 = 687.5mV",  "VR10 = 750mV",
      "VR11 = 812.5mV", "VR12 = 875mV",  "VR13 = 937.5mV", "VCP = 1000mV"};
  return k >= 0 && k < 16 ? kCaptions[static_cast<size_t>(k)] : "";
}

std::string OpTexts::SourceCaption(int k) {
  static const std::array<const char*, 4> kCaptions = {"Floating", "Temperature", "0.25 x VDD",
                                                       "0.5 x VDD"};
  return k >= 0 && k < 4 ? kCaptions[static_cast<size_t>(k)] : "";
}

}  // namespace qx::panels

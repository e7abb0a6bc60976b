#include "core/panels/AdcTexts.h"

namespace qx::panels {

std::string AdcTexts::OffsetText(int dcset) {
  static const std::array<const char*, 8> kSteps = {"0",   "1/8", "1/4", "3/8",
                                                    "1/2", "4/8", "3/4", "7/8"};
  const int v = dcset < 0 ? 0 : (dcset > 15 ? 15 : dcset);
  const int step = v & 7;
  if (step == 0) return "0*VRE";
  return std::string(v >= 8 ? "-" : "+") + kSteps[static_cast<size_t>(step)] + "*VRE";
}

std::string AdcTexts::RateText(int osr, int hs) {
  return "ADC_CK = " + std::to_string(RateSps(osr, hs)) + "sps";
}

int AdcTexts::RateSps(int osr, int hs) {
  static const std::array<int, 8> kNormal = {2560, 1280, 640, 320, 160, 80, 40, 10};
  static const std::array<int, 8> kHighSpeed = {7680, 3840, 1920, 960, 480, 240, 120, 30};
  const size_t row = osr < 0 || osr > 7 ? 0 : static_cast<size_t>(osr);
  return hs != 0 ? kHighSpeed[row] : kNormal[row];
}

const char* AdcTexts::ClockLabel(int oscs) {
  static const std::array<const char*, 4> kLabels = {"LOSCS2", "LOSCS3", "LOSCS0", "LOSCS1"};
  const size_t v = oscs < 0 ? 0 : (oscs > 3 ? 3 : static_cast<size_t>(oscs));
  return kLabels[v];
}

ReferenceState AdcTexts::Reference(int vrs) {
  switch (vrs) {
    case 1:
      return {1, false};
    case 2:
      return {0, false};
    case 3:
      return {2, false};
    default:
      return {0, true};
  }
}

std::string AdcTexts::PgaText(int pga, const std::array<uint8_t, 8>& gains) {
  const size_t v = pga < 0 ? 0 : (pga > 7 ? 7 : static_cast<size_t>(pga));
  return "x " + std::to_string(gains[v]);
}

std::string AdcTexts::AdgnText(int adgn, const std::array<uint8_t, 4>& gains) {
  const size_t v = adgn < 0 ? 0 : (adgn > 3 ? 3 : static_cast<size_t>(adgn));
  return "ADGN = " + std::to_string(gains[v]);
}

std::string AdcTexts::FrbText(int fsrb) {
  return fsrb == 1 ? "FRb = 1/2" : "FRb = full";
}

std::string AdcTexts::RefoText(int refo) {
  return refo != 0 ? "1.5V" : "1.2V";
}

}  // namespace qx::panels

#include "core/analysis/OutputRate.h"

#include "core/panels/AdcTexts.h"

namespace qx::analysis {

std::optional<double> OutputRateSps(const chip::ChipModel& chip) {
  const auto osr = chip.AdcFields.find("OSR");
  if (osr == chip.AdcFields.end() || !osr->second.present) return std::nullopt;
  const auto hs = chip.AdcFields.find("HS");
  const int hsValue =
      hs == chip.AdcFields.end() || !hs->second.present ? 0 : static_cast<int>(hs->second.value);
  return panels::AdcTexts::RateSps(static_cast<int>(osr->second.value), hsValue);
}

std::optional<double> SampleRateSps(const chip::ChipModel& chip, int count, double elapsedMs) {
  if (const auto rate = OutputRateSps(chip)) return rate;
  if (count > 0 && elapsedMs > 0) return count / (elapsedMs / 1000.0);
  return std::nullopt;
}

}  // namespace qx::analysis

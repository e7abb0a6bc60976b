#include "core/analysis/AdcGain.h"

namespace qx::analysis {

AdcGain AdcGainOf(const chip::ChipModel& chip) {
  auto value = [&chip](const char* key) -> int {
    const auto it = chip.AdcFields.find(key);
    return it == chip.AdcFields.end() ? 0 : it->second.value;
  };
  auto entry = [](uint8_t g) { return g == 0 ? 1 : int{g}; };
  AdcGain g;
  g.pgaField = value("PGA");
  g.adgnField = value("ADGN");
  g.fsrbField = value("FSRB");
  g.pga = entry(chip.PgaGain[static_cast<size_t>(g.pgaField) % chip.PgaGain.size()]);
  g.adgn = entry(chip.AdgnGain[static_cast<size_t>(g.adgnField) % chip.AdgnGain.size()]);
  g.fsrb = g.fsrbField != 0 ? 2 : 1;
  return g;
}

}  // namespace qx::analysis

#pragma once

#include "core/chip/ChipModel.h"

namespace qx::analysis {

/// The analog gain of the ADC block: the PGA and ADGN settings looked up in the chip's gain
/// tables (an entry 0 reads as 1) and the doubling of FSRB.
struct AdcGain {
  int pgaField = 0;   ///< value of the PGA field
  int adgnField = 0;  ///< value of the ADGN field
  int fsrbField = 0;  ///< value of the FSRB field
  int pga = 1;        ///< PgaGain[PGA]
  int adgn = 1;       ///< AdgnGain[ADGN]
  int fsrb = 1;       ///< 2 when FSRB is set, else 1

  int Total() const { return pga * adgn * fsrb; }
};

/// The gain of the field values the chip model holds; an absent field reads as 0.
AdcGain AdcGainOf(const chip::ChipModel& chip);

}  // namespace qx::analysis

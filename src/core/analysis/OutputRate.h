#pragma once

#include <optional>

#include "core/chip/ChipModel.h"

namespace qx::analysis {

/// The output data rate in samples per second that the chip's OSR and HS field values select;
/// nothing when the chip description declares no OSR field (its rate is then unknown).
std::optional<double> OutputRateSps(const chip::ChipModel& chip);

/// The rate to put on a frequency axis: the registers' rate when known, else `count` samples
/// over `elapsedMs` of capture; nothing when neither gives a positive rate.
std::optional<double> SampleRateSps(const chip::ChipModel& chip, int count, double elapsedMs);

}  // namespace qx::analysis

#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

namespace qx::analysis {

/// The ends of the converter's signed 24-bit code range.
inline constexpr int32_t kCodeTop = 0x7FFFFF;
inline constexpr int32_t kCodeBottom = -0x800000;

/// Codes at either end of the range: the input was beyond full scale, and figures computed
/// from such a capture measure the clipping, not the noise.
inline int OverRangeCount(std::span<const int32_t> codes) {
  return static_cast<int>(std::count_if(codes.begin(), codes.end(), [](int32_t code) {
    return code >= kCodeTop || code <= kCodeBottom;
  }));
}

}  // namespace qx::analysis

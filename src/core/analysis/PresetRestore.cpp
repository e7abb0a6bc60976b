#include "core/analysis/PresetRestore.h"

#include <algorithm>

namespace qx::analysis {

void PresetRestore::ComFunChange() {
  const std::array<uint8_t, 6>* preset = nullptr;
  if (settings_.ComFun == 0) preset = &settings_.ScalePreset;
  if (settings_.ComFun == 1) preset = &settings_.DmmPreset;
  if (preset) {
    std::copy_n(preset->begin(), kBlockCount, frame_.begin() + 5);
    access_.WriteBytes(kFirstAddress, kBlockCount);
    frame_[5] = (*preset)[5];
    access_.WriteBytes(kLastAddress, 1);
  }

  const size_t from = target_.LinkKind == link::kLinkQx740x ? 1 : 0;
  access_.ReadBytes(kFirstAddress, kBlockCount);
  for (uint16_t i = 0; i < kBlockCount; ++i)
    access_.SetRegImage(kFirstAddress + i, frame_[from + i]);
  access_.ReadBytes(kLastAddress, 1);
  access_.SetRegImage(kLastAddress, frame_[from]);

  for (uint16_t i = 0; i < kBlockCount; ++i) host_.RegImageChanged(kFirstAddress + i);
  host_.RegImageChanged(kLastAddress);
}

}  // namespace qx::analysis

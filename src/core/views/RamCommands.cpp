#include "core/views/RamCommands.h"

#include "core/views/ReadRamPlan.h"

namespace qx::views {

bool RamCommands::ReadRam() {
  const uint16_t kind = target_.LinkKind;
  if (kind == link::kLinkQx740x) {
    // The bridge reaches the five ADC registers only; the shadow holds what they read back,
    // and whatever a failed read left there is shown.
    auto& shadow = access_.AdcRegShadow();
    for (uint16_t a = 0; a < link::kAdcRegisters; ++a) {
      access_.ReadBytes(a, 1);
      access_.SetRegImage(a, shadow[a]);
    }
    access_.ReadAdcResult();
    access_.ReadAdcWord();
    Refresh();
    return true;
  }
  if (kind > link::kLinkQx740x) {
    Refresh();
    return true;
  }
  if (kind == link::kLinkUart && !access_.ProbeUartLink()) return false;
  for (const RamBlock& b : ReadRamPlan::For(kind, chip_)) {
    if (!access_.ReadBytes(b.address, static_cast<uint8_t>(b.count))) return false;
    for (int i = 0; i < b.count; ++i)
      access_.SetRegImage(b.address + i, frame_[static_cast<size_t>(i)]);
  }
  Refresh();
  return true;
}

bool RamCommands::Sleep() {
  frame_[5] = kSleepByte;
  return access_.WriteBytes(kSleepAddress, 1);
}

void RamCommands::Refresh() {
  host_.RegImageChanged(kWholeImage);
}

}  // namespace qx::views

#include "sim/SimSwitchFirmware.h"

#include <algorithm>

namespace qx::sim {

namespace {
constexpr uint16_t kEngineControl = 0xD2;
constexpr uint16_t kTestControl = 0xA4;
constexpr uint16_t kResultBuffer = 0x100;
constexpr uint16_t kStepLenAddr = 0x120;
constexpr uint16_t kLoopCountAddr = 0x122;
constexpr uint16_t kChannelCountAddr = 0x124;
constexpr uint16_t kAddressTable = 0x128;
constexpr uint16_t kValueTable = 0x130;  ///< channels 0..3, then 0x150 for 4..7
constexpr uint16_t kReadOffset = 0x170;
constexpr uint16_t kReadLength = 0x173;
constexpr uint8_t kResetBit = 0x80;
constexpr uint8_t kStartBit = 0x10;
constexpr uint8_t kChunkBit = 0x08;
constexpr uint8_t kDoneBits = 0x30;
constexpr size_t kTableRegisters = 8;
constexpr size_t kMaxChannels = 8;
}  // namespace

SimSwitchFirmware::SimSwitchFirmware(base::Clock& clock, SimTarget& target, SimBridge& bridge)
    : clock_(clock), target_(target), bridge_(bridge) {}

bool SimSwitchFirmware::BusyDue(uint16_t address, uint8_t bit, double now, double& seenAt) {
  if ((target_.Memory(address) & bit) == 0) {
    seenAt = -1;
    return false;
  }
  if (seenAt < 0) seenAt = now;
  return !busyStuck_ && now - seenAt >= kBusyMs;
}

void SimSwitchFirmware::Step() {
  const double now = clock_.NowMs();
  if (BusyDue(kEngineControl, kResetBit, now, resetSeenAt_)) {
    Reset();
    target_.SetMemory(kEngineControl, target_.Memory(kEngineControl) & ~kResetBit);
    resetSeenAt_ = -1;
  }
  if ((target_.Memory(kTestControl) & kStartBit) != 0 && !running_) {
    target_.SetMemory(kTestControl, target_.Memory(kTestControl) & ~kStartBit);
    Start(now);
  }
  if (running_ && now >= doneAtMs_ && !neverCompletes_) {
    running_ = false;
    SetDoneBits(true);
  }
  if (BusyDue(kTestControl, kChunkBit, now, chunkSeenAt_)) {
    CopyChunk();
    target_.SetMemory(kTestControl, target_.Memory(kTestControl) & ~kChunkBit);
    chunkSeenAt_ = -1;
  }
}

void SimSwitchFirmware::SetDoneBits(bool on) {
  std::array<uint8_t, 3> status = bridge_.StatusBytes();
  status[0] = on ? static_cast<uint8_t>(status[0] | kDoneBits)
                 : static_cast<uint8_t>(status[0] & ~kDoneBits);
  bridge_.SetStatusBytes(status);
}

void SimSwitchFirmware::Reset() {
  running_ = false;
  results_.clear();
  SetDoneBits(false);
}

void SimSwitchFirmware::Start(double now) {
  const size_t stepLen = target_.Memory(kStepLenAddr);
  const size_t loops = target_.Memory(kLoopCountAddr) | target_.Memory(kLoopCountAddr + 1) << 8;
  const size_t channels = std::min<size_t>(target_.Memory(kChannelCountAddr), kMaxChannels);
  std::array<uint8_t, kTableRegisters> addresses{};
  target_.ReadMemory(kAddressTable, addresses);

  results_.clear();
  results_.reserve(3 * stepLen * loops * channels);
  runTimeMs_ = 0;
  for (size_t loop = 0; loop < loops; ++loop) {
    for (size_t ch = 0; ch < channels; ++ch) {
      for (size_t i = 0; i < kTableRegisters; ++i) {
        const uint8_t value = target_.Memory(kValueTable + kTableRegisters * ch + i);
        target_.SetMemory(addresses[i], value);
        if (addresses[i] >= kRegisterWindow &&
            addresses[i] < kRegisterWindow + SimTarget::kAdcRegisterCount)
          target_.SetRegisterDrawingOn(addresses[i] - kRegisterWindow, value);
      }
      runTimeMs_ += 1000.0 * static_cast<double>(stepLen) / target_.OutputRateSps();
      for (size_t s = 0; s < stepLen; ++s) {
        const uint32_t raw = target_.ConvertRaw();
        results_.push_back(static_cast<uint8_t>(raw));
        results_.push_back(static_cast<uint8_t>(raw >> 8));
        results_.push_back(static_cast<uint8_t>(raw >> 16));
      }
    }
  }
  SetDoneBits(false);
  running_ = true;
  doneAtMs_ = now + runTimeMs_;
}

void SimSwitchFirmware::CopyChunk() {
  const size_t offset = target_.Memory(kReadOffset) | target_.Memory(kReadOffset + 1) << 8 |
                        target_.Memory(kReadOffset + 2) << 16;
  const size_t length = std::min<size_t>(target_.Memory(kReadLength), kMaxChunkBytes);
  for (size_t i = 0; i < length; ++i) {
    uint8_t b = offset + i < results_.size() ? results_[offset + i] : 0;
    if (garbleNext_) b = static_cast<uint8_t>(~b);
    target_.SetMemory(kResultBuffer + i, b);
  }
  garbleNext_ = false;
}

}  // namespace qx::sim

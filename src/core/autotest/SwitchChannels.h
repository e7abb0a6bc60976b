#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx::autotest {

inline constexpr int kChannels = 8;
inline constexpr int kChannelRegisters = 11;
/// Registers of one channel setting: the ADC block (0x3C..0x40) and its input and reference
/// controls. Only the first eight travel to the target's channel table.
inline constexpr std::array<uint8_t, kChannelRegisters> kChannelRegisterAddresses{
    0x31, 0x32, 0x37, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x30, 0x49, 0x34};
inline constexpr int kSentRegisters = 8;
/// One more than the largest run of one channel (64 samples per step x 256 loops).
inline constexpr size_t kSampleCapacity = 16385;

/// Items of the samples-per-step and loop-count lists.
inline constexpr std::array<int, 7> kStepLenItems{1, 2, 4, 8, 16, 32, 64};
inline constexpr std::array<int, 9> kLoopItems{1, 2, 4, 8, 16, 32, 64, 128, 256};
inline constexpr int kDefaultStepLenIndex = 2;  ///< "4"
inline constexpr int kDefaultLoopIndex = 0;     ///< "1"
/// Items of the resolution list: "8" .. "24"; the last item leaves the conversion alone.
inline constexpr int kScaleItems = 17;

/// One channel of the switch test: its register setting and its sample table after a run.
struct ChannelRecord {
  std::array<uint8_t, kChannelRegisters> RegAddr = kChannelRegisterAddresses;
  std::array<uint8_t, kChannelRegisters> RegValue{};
  uint8_t StepLen = 4;     ///< samples per step, the same in every record
  uint16_t LoopCount = 1;  ///< loops, the same in every record
  std::vector<int32_t> Samples = std::vector<int32_t>(kSampleCapacity, 0);
  /// Samples from the first on that the last run read into this record. The others hold
  /// nothing of that run (a run stopped or failed early, a channel it did not measure) and are
  /// shown and saved empty, never as a measurement.
  size_t Measured = 0;
};

}  // namespace qx::autotest

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qx::sim {

/// Faults of the simulated serial bridge microcontroller. Each stays until it is cleared.
struct SimSerialFaults {
  bool silentSync = false;               ///< 55 gets no answer at all
  std::optional<uint8_t> wrongSyncByte;  ///< 55 is answered with this byte instead of AA
  size_t shortReadBy = 0;                ///< a C0 read answers this many bytes fewer
  std::optional<uint8_t> writeNak;       ///< a 40 write is answered with this byte, memory kept
};

}  // namespace qx::sim

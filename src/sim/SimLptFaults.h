#pragma once

#include <optional>

namespace qx::sim {

/// Faults of the simulated target behind the parallel port. Each stays until it is cleared.
struct SimLptFaults {
  /// The target never answers: its status line stays at this level.
  std::optional<bool> stuckStatus;
  /// The line bit at this clock pulse of every transfer is inverted (0 is the first bit of
  /// the command byte); either direction. Negative: no bit error.
  int bitErrorAtClock = -1;
};

}  // namespace qx::sim

#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qx::sim {

/// The far end of a serial line as a byte protocol: whatever the host sends goes in, the device's
/// answer comes out. Bytes may arrive in any pieces. Served in process by a port object or on a
/// pseudo-terminal by SimPtyServer.
class SimByteProtocol {
 public:
  virtual ~SimByteProtocol() = default;
  /// Takes received bytes; appends every answer byte to `out`.
  virtual void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) = 0;
  /// How long an answer takes to leave the device, in milliseconds.
  virtual double ReplyDelayMs() const { return 0; }
};

}  // namespace qx::sim

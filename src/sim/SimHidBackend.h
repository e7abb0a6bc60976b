#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/link/HidBackend.h"
#include "sim/SimBridge.h"

namespace qx::sim {

/// Identity of a HID device on the simulated bus that is not the bridge.
struct SimHidDecoy {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

/// The HID library's view of the simulated bus: the bridge at one index (0 by default) and
/// optional decoy devices at the other indexes. Decoys accept writes and never answer.
class SimHidBackend final : public link::HidBackend {
 public:
  static constexpr uint16_t kVendorId = 0x04D8;
  static constexpr uint16_t kProductId = 0x2008;
  static constexpr uint16_t kVersion = 0x0727;
  static constexpr uint16_t kReportLength = 65;

  explicit SimHidBackend(SimBridge& bridge);

  /// Whether the bridge shows up on the HID bus at all (off when it is served as a bulk device).
  void SetBridgeAttached(bool attached) { attached_ = attached; }
  bool BridgeAttached() const { return attached_; }
  void SetBridgeIndex(int index) { bridgeIndex_ = index; }
  int BridgeIndex() const { return bridgeIndex_; }
  /// Decoys take the free indexes from 0 up, in order, stepping over the bridge's.
  void SetDecoys(std::vector<SimHidDecoy> decoys) { decoys_ = std::move(decoys); }
  /// Open handles (for tests that check the link closes what it opens).
  size_t OpenHandles() const { return handles_.size(); }

  link::DeviceHandle GetDevice(int index, bool& present) override;
  bool GetAttributes(link::DeviceHandle h, link::HidAttributes& out) override;
  bool Write(link::DeviceHandle h, std::span<const uint8_t> report) override;
  bool Read(link::DeviceHandle h, std::span<uint8_t> report) override;
  void Close(link::DeviceHandle h) override;
  int LastError() override { return lastError_; }

 private:
  struct Open {
    int decoy = -1;  ///< -1: the bridge
    uint32_t generation = 0;
    bool claimer = false;  ///< this handle claimed the bridge (F9 01 with a host word)
  };
  /// Decoy slot at `index`, -1 for the bridge, -2 for nothing.
  int SlotAt(int index) const;
  const Open* Find(link::DeviceHandle h);
  bool Fail(int error);

  SimBridge& bridge_;
  bool attached_ = true;
  int bridgeIndex_ = 0;
  std::vector<SimHidDecoy> decoys_;
  std::map<link::DeviceHandle, Open> handles_;
  link::DeviceHandle nextHandle_ = 0x100;
  int lastError_ = 0;
};

}  // namespace qx::sim

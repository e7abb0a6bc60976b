#include "sim/SimHidBackend.h"

#include <algorithm>
#include <cerrno>

namespace qx::sim {

namespace {
constexpr int kBridgeSlot = -1;
constexpr int kNoSlot = -2;
}  // namespace

SimHidBackend::SimHidBackend(SimBridge& bridge) : bridge_(bridge) {}

int SimHidBackend::SlotAt(int index) const {
  if (index < 0) return kNoSlot;
  if (attached_ && index == bridgeIndex_) return kBridgeSlot;
  // Decoys fill the free indexes from 0 up, stepping over the bridge's.
  int slot = index;
  if (attached_ && index > bridgeIndex_) slot -= 1;
  if (slot < 0 || slot >= static_cast<int>(decoys_.size())) return kNoSlot;
  return slot;
}

link::DeviceHandle SimHidBackend::GetDevice(int index, bool& present) {
  present = false;
  const int slot = SlotAt(index);
  if (slot == kNoSlot || (slot == kBridgeSlot && !bridge_.Present())) {
    lastError_ = ENODEV;
    return link::kInvalidHandle;
  }
  present = true;
  const link::DeviceHandle h = nextHandle_++;
  handles_[h] = Open{slot, bridge_.Generation()};
  return h;
}

const SimHidBackend::Open* SimHidBackend::Find(link::DeviceHandle h) {
  const auto it = handles_.find(h);
  return it == handles_.end() ? nullptr : &it->second;
}

bool SimHidBackend::Fail(int error) {
  lastError_ = error;
  return false;
}

bool SimHidBackend::GetAttributes(link::DeviceHandle h, link::HidAttributes& out) {
  const Open* open = Find(h);
  if (!open) return Fail(EBADF);
  out.inputReportLength = kReportLength;
  out.outputReportLength = kReportLength;
  if (open->decoy == kBridgeSlot) {
    if (!bridge_.Present() || open->generation != bridge_.Generation()) return Fail(ENODEV);
    out.vendorId = kVendorId;
    out.productId = kProductId;
    out.versionNumber = kVersion;
  } else {
    const SimHidDecoy& d = decoys_.at(static_cast<size_t>(open->decoy));
    out.vendorId = d.vendorId;
    out.productId = d.productId;
    out.versionNumber = d.versionNumber;
  }
  return true;
}

bool SimHidBackend::Write(link::DeviceHandle h, std::span<const uint8_t> report) {
  const Open* open = Find(h);
  if (!open) return Fail(EBADF);
  if (report.empty() || report[0] != 0) return Fail(EINVAL);
  if (open->decoy != kBridgeSlot) return true;
  if (open->generation != bridge_.Generation()) return Fail(ENODEV);
  // The bridge sees the report's data bytes: always 64 of them, padded with zeros.
  std::array<uint8_t, SimBridge::kReplySize> frame{};
  const size_t n = std::min(frame.size(), report.size() - 1);
  std::copy_n(report.begin() + 1, n, frame.begin());
  if (!bridge_.Receive(frame)) return Fail(bridge_.LastError());
  if (frame[0] == 0xF9 && frame[1] == 0x01) {
    handles_[h].claimer = !(frame[2] == 0xFF && frame[3] == 0xFF);
  }
  return true;
}

bool SimHidBackend::Read(link::DeviceHandle h, std::span<uint8_t> report) {
  const Open* open = Find(h);
  if (!open) return Fail(EBADF);
  if (report.empty()) return Fail(EINVAL);
  if (open->decoy != kBridgeSlot) return Fail(ETIMEDOUT);
  if (open->generation != bridge_.Generation()) return Fail(ENODEV);
  std::array<uint8_t, SimBridge::kReplySize> data{};
  size_t got = 0;
  if (!bridge_.Send(data, got)) return Fail(bridge_.LastError());
  std::fill(report.begin(), report.end(), uint8_t{0});
  std::copy_n(data.begin(), std::min(data.size(), report.size() - 1), report.begin() + 1);
  return true;
}

void SimHidBackend::Close(link::DeviceHandle h) {
  const auto it = handles_.find(h);
  if (it == handles_.end()) return;
  const bool release = it->second.claimer && it->second.generation == bridge_.Generation();
  handles_.erase(it);
  if (release) bridge_.HostClosed();
}

}  // namespace qx::sim

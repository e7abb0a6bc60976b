#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <vector>

#include "core/link/HidBackend.h"
#include "platform/HidRawApi.h"

namespace qx::platform {

/// `HidBackend` over the HID enumeration. Index i is the i-th enumerated device (sorted by path);
/// only the bridge is ever opened, every other device gets a handle that refers to its
/// enumeration entry, enough for `GetAttributes` and `Close`.
class HidapiBackend : public link::HidBackend {
 public:
  static constexpr int kReadTimeoutMs = 1000;

  /// Uses hidapi.
  HidapiBackend();
  explicit HidapiBackend(std::unique_ptr<HidRawApi> api);
  ~HidapiBackend() override;

  link::DeviceHandle GetDevice(int index, bool& present) override;
  bool GetAttributes(link::DeviceHandle h, link::HidAttributes& out) override;
  bool Write(link::DeviceHandle h, std::span<const uint8_t> report) override;
  bool Read(link::DeviceHandle h, std::span<uint8_t> report) override;
  void Close(link::DeviceHandle h) override;
  int LastError() override { return lastError_; }

 private:
  struct Slot {
    HidEntry entry;
    std::unique_ptr<HidRawDevice> device;  ///< set for the bridge only
  };

  void RefreshIfStale(int index);
  link::DeviceHandle FreeHandle() const;
  Slot* Find(link::DeviceHandle h);
  HidRawDevice* OpenDevice(link::DeviceHandle h);
  bool Fail(int error);

  std::unique_ptr<HidRawApi> api_;
  std::vector<HidEntry> entries_;
  std::chrono::steady_clock::time_point enumeratedAt_{};
  bool enumerated_ = false;
  std::map<link::DeviceHandle, Slot> slots_;
  int lastError_ = 0;
};

}  // namespace qx::platform

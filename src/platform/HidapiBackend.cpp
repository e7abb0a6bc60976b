#include "platform/HidapiBackend.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "platform/HidOpenPolicy.h"
#include "platform/HidapiRawApi.h"

namespace qx::platform {
namespace {

// A scan walks indexes 0..127 in a burst; one enumeration serves the whole burst.
constexpr auto kEnumerationLifetime = std::chrono::seconds(1);

}  // namespace

HidapiBackend::HidapiBackend() : HidapiBackend(std::make_unique<HidapiRawApi>()) {}

HidapiBackend::HidapiBackend(std::unique_ptr<HidRawApi> api) : api_(std::move(api)) {}

HidapiBackend::~HidapiBackend() = default;

void HidapiBackend::RefreshIfStale(int index) {
  const auto now = std::chrono::steady_clock::now();
  if (enumerated_ && index != 0 && now - enumeratedAt_ < kEnumerationLifetime) return;
  entries_ = api_->Enumerate();
  enumeratedAt_ = now;
  enumerated_ = true;
  // Handles of devices that were never opened only stand for an old enumeration entry; a new
  // scan makes them meaningless, and dropping them keeps rejected candidates from piling up.
  std::erase_if(slots_, [](const auto& item) { return item.second.device == nullptr; });
}

link::DeviceHandle HidapiBackend::GetDevice(int index, bool& present) {
  present = false;
  if (index < 0) return link::kInvalidHandle;
  RefreshIfStale(index);
  if (static_cast<size_t>(index) >= entries_.size()) return link::kInvalidHandle;
  present = true;

  const link::DeviceHandle h = FreeHandle();
  slots_[h] = Slot{entries_[static_cast<size_t>(index)], nullptr};
  const HidEntry& entry = slots_[h].entry;
  if (HidOpenPolicy::ShouldOpen(entry.vendorId, entry.productId) && OpenDevice(h) == nullptr) {
    slots_.erase(h);
    return link::kInvalidHandle;
  }
  return h;
}

HidRawDevice* HidapiBackend::OpenDevice(link::DeviceHandle h) {
  Slot& slot = slots_.at(h);
  slot.device = api_->Open(slot.entry.path);
  if (slot.device == nullptr) {
    Fail(api_->LastErrno() != 0 ? api_->LastErrno() : ENODEV);
    return nullptr;
  }
  // Reports queued before this open belong to an earlier session and would be taken for
  // replies to our first request.
  uint8_t stale[HidOpenPolicy::kBridgeReportLength];
  for (int i = 0; i < 64 && slot.device->Read(stale, 0) > 0; ++i) {
  }
  return slot.device.get();
}

link::DeviceHandle HidapiBackend::FreeHandle() const {
  // Lowest unused number from 1 on: handles stay small however long the program scans.
  link::DeviceHandle h = 1;
  for (const auto& item : slots_) {
    if (item.first != h) break;
    ++h;
  }
  return h;
}

HidapiBackend::Slot* HidapiBackend::Find(link::DeviceHandle h) {
  auto it = slots_.find(h);
  return it == slots_.end() ? nullptr : &it->second;
}

bool HidapiBackend::Fail(int error) {
  lastError_ = error;
  return false;
}

bool HidapiBackend::GetAttributes(link::DeviceHandle h, link::HidAttributes& out) {
  const Slot* slot = Find(h);
  if (slot == nullptr) return Fail(EBADF);
  out = {};
  out.vendorId = slot->entry.vendorId;
  out.productId = slot->entry.productId;
  out.versionNumber = slot->entry.releaseNumber;
  // Report sizes need the report descriptor, which means opening the device; only the
  // bridge's are known, and nobody writes to anything else.
  if (slot->device != nullptr) {
    out.inputReportLength = HidOpenPolicy::kBridgeReportLength;
    out.outputReportLength = HidOpenPolicy::kBridgeReportLength;
  }
  return true;
}

bool HidapiBackend::Write(link::DeviceHandle h, std::span<const uint8_t> report) {
  Slot* slot = Find(h);
  if (slot == nullptr || slot->device == nullptr) return Fail(EBADF);
  if (report.size() < 2) return Fail(EINVAL);
  const int written = slot->device->Write(report);
  if (written < 0) return Fail(-written);
  if (static_cast<size_t>(written) < report.size()) return Fail(EIO);
  return true;
}

bool HidapiBackend::Read(link::DeviceHandle h, std::span<uint8_t> report) {
  Slot* slot = Find(h);
  if (slot == nullptr || slot->device == nullptr) return Fail(EBADF);
  if (report.size() < 2) return Fail(EINVAL);
  std::fill(report.begin(), report.end(), uint8_t{0});
  const int got = slot->device->Read(report.subspan(1), kReadTimeoutMs);
  if (got < 0) return Fail(-got);
  if (got == 0) return Fail(ETIMEDOUT);
  return true;
}

void HidapiBackend::Close(link::DeviceHandle h) {
  slots_.erase(h);
}

}  // namespace qx::platform

#include "platform/HidapiRawApi.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>

namespace qx::platform {
namespace {

class HidapiRawDevice : public HidRawDevice {
 public:
  explicit HidapiRawDevice(hid_device* device) : device_(device) {}
  ~HidapiRawDevice() override { hid_close(device_); }
  HidapiRawDevice(const HidapiRawDevice&) = delete;
  HidapiRawDevice& operator=(const HidapiRawDevice&) = delete;

  int Write(std::span<const uint8_t> data) override {
    errno = 0;
    return Result(hid_write(device_, data.data(), data.size()));
  }
  int Read(std::span<uint8_t> data, int timeoutMs) override {
    errno = 0;
    return Result(hid_read_timeout(device_, data.data(), data.size(), timeoutMs));
  }

 private:
  // hidapi reports -1 and leaves the reason in errno (from the hidraw read or write).
  static int Result(int n) { return n >= 0 ? n : -(errno != 0 ? errno : EIO); }

  hid_device* device_;
};

bool InitOnce() {
  static const bool ok = hid_init() == 0;
  return ok;
}

}  // namespace

HidapiRawApi::HidapiRawApi() : ready_(InitOnce()) {
  if (!ready_) lastErrno_ = errno != 0 ? errno : ENODEV;
}

std::vector<HidEntry> HidapiRawApi::Enumerate() {
  std::vector<HidEntry> entries;
  if (!ready_) return entries;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* it = list; it != nullptr; it = it->next) {
    if (it->path == nullptr) continue;
    entries.push_back({it->path, it->vendor_id, it->product_id, it->release_number});
  }
  hid_free_enumeration(list);
  // hidapi lists devices in udev order, which changes between boots; indexes must not.
  std::sort(entries.begin(), entries.end(),
            [](const HidEntry& a, const HidEntry& b) { return a.path < b.path; });
  return entries;
}

std::unique_ptr<HidRawDevice> HidapiRawApi::Open(const std::string& path) {
  if (!ready_) {
    lastErrno_ = ENODEV;
    return nullptr;
  }
  errno = 0;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) {
    lastErrno_ = errno != 0 ? errno : ENODEV;
    return nullptr;
  }
  return std::make_unique<HidapiRawDevice>(device);
}

}  // namespace qx::platform

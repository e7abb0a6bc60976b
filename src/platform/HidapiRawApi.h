#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/HidRawApi.h"

namespace qx::platform {

/// `HidRawApi` over hidapi (hidraw backend). hid_init runs once per process; when it fails the
/// enumeration is empty and nothing opens.
class HidapiRawApi : public HidRawApi {
 public:
  HidapiRawApi();
  std::vector<HidEntry> Enumerate() override;
  std::unique_ptr<HidRawDevice> Open(const std::string& path) override;
  int LastErrno() const override { return lastErrno_; }

 private:
  bool ready_ = false;
  int lastErrno_ = 0;
};

}  // namespace qx::platform

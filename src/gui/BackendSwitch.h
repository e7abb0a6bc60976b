#pragma once

#include "core/link/BulkDriver.h"
#include "core/link/HidBackend.h"

namespace qx::gui {

/// The HID backend the link is built with, bound to the real or the simulated bus once that
/// exists (the simulated board needs the workbench's chip model, so it comes second). Unbound,
/// the bus is empty.
class HidSwitch final : public link::HidBackend {
 public:
  void Bind(link::HidBackend* backend) { backend_ = backend; }

  link::DeviceHandle GetDevice(int index, bool& present) override {
    present = false;
    return backend_ ? backend_->GetDevice(index, present) : link::kInvalidHandle;
  }
  bool GetAttributes(link::DeviceHandle h, link::HidAttributes& out) override {
    return backend_ && backend_->GetAttributes(h, out);
  }
  bool Write(link::DeviceHandle h, std::span<const uint8_t> report) override {
    return backend_ && backend_->Write(h, report);
  }
  bool Read(link::DeviceHandle h, std::span<uint8_t> report) override {
    return backend_ && backend_->Read(h, report);
  }
  void Close(link::DeviceHandle h) override {
    if (backend_) backend_->Close(h);
  }
  int LastError() override { return backend_ ? backend_->LastError() : 0; }

 private:
  link::HidBackend* backend_ = nullptr;
};

/// The bulk driver counterpart of `HidSwitch`.
class BulkSwitch final : public link::BulkDriver {
 public:
  void Bind(link::BulkDriver* driver) { driver_ = driver; }

  link::DeviceHandle Open(const std::string& name) override {
    return driver_ ? driver_->Open(name) : link::kInvalidHandle;
  }
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out, size_t& returned) override {
    returned = 0;
    return driver_ && driver_->Control(h, code, in, out, returned);
  }
  void Close(link::DeviceHandle h) override {
    if (driver_) driver_->Close(h);
  }
  int LastError() override { return driver_ ? driver_->LastError() : 0; }

 private:
  link::BulkDriver* driver_ = nullptr;
};

}  // namespace qx::gui

#pragma once

#include "core/link/DriverServices.h"
#include "platform/PpdevSystem.h"

namespace qx::platform {

/// Driver installation on Linux: there is no driver file to copy and no service to create;
/// the port driver is the kernel's ppdev module, which "runs" once it is loaded. Loading it
/// needs root, so a missing module is left to the bench user (the status bar says so).
class LinuxDriverServices final : public link::DriverServices {
 public:
  explicit LinuxDriverServices(PpdevSystem& system = PpdevSystem::Posix()) : system_(system) {}

  uint32_t Version() override { return 10; }  // the driver path, never direct port access
  std::string SystemDirectory() override { return "/lib/modules"; }
  bool CopyFile(const std::string&, const std::string&) override { return true; }
  int OpenService(const std::string&) override {
    return system_.Exists("/sys/module/ppdev") ? link::service::kOk : link::service::kDoesNotExist;
  }
  bool CreateService(const link::ServiceDefinition&) override { return false; }
  int StartService() override { return link::service::kAlreadyRunning; }
  void CloseService() override {}

 private:
  PpdevSystem& system_;
};

}  // namespace qx::platform

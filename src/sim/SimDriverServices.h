#pragma once

#include <string>

#include "core/link/DriverServices.h"

namespace qx::sim {

/// The system of the simulated bench: NT family, with the port driver already running.
class SimDriverServices final : public link::DriverServices {
 public:
  uint32_t Version() override { return 10; }
  std::string SystemDirectory() override { return "C:\\Windows\\system32"; }
  bool CopyFile(const std::string&, const std::string&) override { return true; }
  int OpenService(const std::string&) override { return link::service::kOk; }
  bool CreateService(const link::ServiceDefinition&) override { return true; }
  int StartService() override { return link::service::kAlreadyRunning; }
  void CloseService() override {}
};

}  // namespace qx::sim

#include "core/chip/SetupBridgePorts.h"

namespace qx::chip {

bool SetupBridgePorts::Select(int index, const std::string& name, link::TargetRecord& target) {
  if (index == active_ && target.ComPort) {
    target.ComOpen = true;
    return true;
  }
  if (target.ComPort && active_ >= 0) kept_[active_] = std::move(target.ComPort);
  target.ComPort.reset();
  active_ = -1;

  std::unique_ptr<base::SerialPort> port;
  if (auto it = kept_.find(index); it != kept_.end()) {
    port = std::move(it->second);
    kept_.erase(it);
  } else {
    port = provider_.Open(name);
    if (port && index >= 0 && index < 32) mask_ |= 1u << index;
  }
  target.ComOpen = port != nullptr;
  if (!port) return false;
  target.ComPort = std::move(port);
  active_ = index;
  return true;
}

}  // namespace qx::chip

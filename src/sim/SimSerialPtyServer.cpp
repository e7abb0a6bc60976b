#include "sim/SimSerialPtyServer.h"

namespace qx::sim {

void SimSerialPtyServer::SetFaults(const SimSerialFaults& faults) {
  server_.Access([&] { firmware_.protocol.Faults() = faults; });
}

uint8_t SimSerialPtyServer::Memory(size_t address) {
  uint8_t value = 0;
  server_.Access([&] { value = target_.Memory(address); });
  return value;
}

void SimSerialPtyServer::SetMemory(size_t address, uint8_t value) {
  server_.Access([&] { target_.SetMemory(address, value); });
}

size_t SimSerialPtyServer::FramesHandled() {
  size_t frames = 0;
  server_.Access([&] { frames = firmware_.protocol.FramesHandled(); });
  return frames;
}

}  // namespace qx::sim

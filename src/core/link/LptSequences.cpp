#include "core/link/LptSequences.h"

#include "core/link/ParallelDriver.h"

namespace qx::link {

namespace {
uint16_t Word(std::span<const uint8_t> in, size_t at) {
  return static_cast<uint16_t>(in[at] | in[at + 1] << 8);
}
}  // namespace

void LptSequences::Start(LptRegisters& io, uint16_t base) {
  const uint16_t port = static_cast<uint16_t>(base + lpt::kControl);
  uint8_t control = io.Read(port);
  control = static_cast<uint8_t>((control | lpt::kFrame) & ~(lpt::kHostData | lpt::kClock));
  io.Write(port, control);
  control = static_cast<uint8_t>(control & ~lpt::kFrame);
  io.Write(port, control);
}

void LptSequences::End(LptRegisters& io, uint16_t base) {
  const uint16_t port = static_cast<uint16_t>(base + lpt::kControl);
  io.Write(port, static_cast<uint8_t>(io.Read(port) | lpt::kFrame));
}

void LptSequences::Pace(LptRegisters& io, uint16_t base, uint16_t count) {
  for (uint32_t i = 0; i <= count; ++i) io.Read(static_cast<uint16_t>(base + lpt::kData));
}

void LptSequences::SendByte(LptRegisters& io, uint16_t base, uint8_t value) {
  const uint16_t port = static_cast<uint16_t>(base + lpt::kControl);
  uint8_t control = io.Read(port);
  for (int bit = 7; bit >= 0; --bit) {
    control = static_cast<uint8_t>((control & ~lpt::kHostData) | ((value >> bit) & 1));
    io.Write(port, control);
    io.Write(port, static_cast<uint8_t>(control | lpt::kClock));
    control = static_cast<uint8_t>(control & ~lpt::kClock);
    io.Write(port, control);
  }
}

uint8_t LptSequences::ReceiveByte(LptRegisters& io, uint16_t base) {
  const uint16_t port = static_cast<uint16_t>(base + lpt::kControl);
  uint8_t control = io.Read(port);
  uint8_t value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    io.Write(port, static_cast<uint8_t>(control | lpt::kClock));
    const uint8_t status = io.Read(static_cast<uint16_t>(base + lpt::kStatus));
    value = static_cast<uint8_t>(value << 1 | ((status & lpt::kTargetData) ? 1 : 0));
    control = static_cast<uint8_t>(control & ~lpt::kClock);
    io.Write(port, control);
  }
  return value;
}

bool LptSequences::Serve(LptRegisters& io, uint32_t code, std::span<const uint8_t> in,
                         std::span<uint8_t> out) {
  if (in.size() < 2) return false;
  const uint16_t port = Word(in, 0);
  switch (code) {
    case lpt::kPortRead:
      if (out.empty()) return false;
      out[0] = io.Read(port);
      return true;
    case lpt::kPortWrite:
      if (in.size() < 3) return false;
      io.Write(port, in[2]);
      return true;
    case lpt::kReceiveByte:
      if (out.empty()) return false;
      out[0] = ReceiveByte(io, port);
      return true;
    case lpt::kSendByte:
      if (in.size() < 3) return false;
      SendByte(io, port, in[2]);
      return true;
    case lpt::kStart:
      Start(io, port);
      return true;
    case lpt::kPace:
      if (in.size() < 4) return false;
      Pace(io, port, Word(in, 2));
      return true;
    default:
      return false;
  }
}

}  // namespace qx::link

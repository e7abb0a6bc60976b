#include "sim/SimLptTarget.h"

#include "core/link/ParallelDriver.h"

namespace qx::sim {

namespace lpt = link::lpt;

void SimLptTarget::ControlWritten(uint8_t control) {
  const uint8_t was = control_;
  control_ = control;
  const bool framedBefore = (was & lpt::kFrame) == 0;
  const bool framed = (control & lpt::kFrame) == 0;
  if (!framedBefore && framed) {
    phase_ = Phase::Command;
    clocks_ = 0;
    bits_ = 0;
    shift_ = 0;
    ++frames_;
  } else if (framedBefore && !framed) {
    phase_ = Phase::Idle;
    out_ = true;
  }
  const bool rising = (was & lpt::kClock) == 0 && (control & lpt::kClock) != 0;
  if (framed && rising) Clock((control & lpt::kHostData) != 0);
}

bool SimLptTarget::DataLine() const {
  if (faults_.stuckStatus) return *faults_.stuckStatus;
  return out_;
}

void SimLptTarget::Clock(bool hostBit) {
  const bool glitch = clocks_ == faults_.bitErrorAtClock;
  ++clocks_;
  switch (phase_) {
    case Phase::Idle:
    case Phase::Ignore:
      return;
    case Phase::ReadData: {
      // The next bit goes on the line at the rising edge; the host samples it while high.
      if (bits_ == 0) shift_ = target_.Memory(address_++);
      out_ = (((shift_ >> (7 - bits_)) & 1) != 0) != glitch;
      bits_ = (bits_ + 1) % 8;
      return;
    }
    default:
      shift_ = static_cast<uint8_t>(shift_ << 1 | ((hostBit != glitch) ? 1 : 0));
      if (++bits_ == 8) {
        const uint8_t value = shift_;
        bits_ = 0;
        shift_ = 0;
        ByteReceived(value);
      }
  }
}

void SimLptTarget::ByteReceived(uint8_t value) {
  switch (phase_) {
    case Phase::Command:
      if (value == 0xC0) {
        ++readFrames_;
        phase_ = Phase::AddressLow;
        readNext_ = true;
      } else if (value == 0x40) {
        ++writeFrames_;
        phase_ = Phase::AddressLow;
        readNext_ = false;
      } else {
        phase_ = Phase::Ignore;
      }
      return;
    case Phase::AddressLow:
      address_ = value;
      phase_ = Phase::AddressHigh;
      return;
    case Phase::AddressHigh:
      address_ = static_cast<uint16_t>(address_ | value << 8);
      phase_ = readNext_ ? Phase::ReadData : Phase::WriteData;
      return;
    case Phase::WriteData:
      target_.SetMemory(address_++, value);
      return;
    default:
      return;
  }
}

}  // namespace qx::sim

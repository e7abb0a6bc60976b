#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/link/DeviceHandle.h"

namespace qx::link {

/// Request codes of the parallel-port driver, its device name and the port registers.
namespace lpt {
inline constexpr uint32_t kPortRead = 0x9C402410;     ///< in: port lo, hi; out: 1 byte
inline constexpr uint32_t kPortWrite = 0x9C402414;    ///< in: port lo, hi, value
inline constexpr uint32_t kReceiveByte = 0x9C402418;  ///< in: base lo, hi; out: 1 byte
inline constexpr uint32_t kSendByte = 0x9C40241C;     ///< in: base lo, hi, value
inline constexpr uint32_t kStart = 0x9C402434;        ///< in: base lo, hi
inline constexpr uint32_t kPace = 0x9C402440;         ///< in: base lo, hi, count lo, hi
inline constexpr const char* kDeviceName = "\\\\.\\QxParallel";

inline constexpr uint16_t kData = 0;     ///< data register offset
inline constexpr uint16_t kStatus = 1;   ///< status: bit 6 is the target's data bit
inline constexpr uint16_t kControl = 2;  ///< control: bit 0 host data, bit 1 frame, bit 3 clock
inline constexpr uint16_t kEcr = 0x402;  ///< extended control register of an ECP port
inline constexpr uint8_t kHostData = 0x01;
inline constexpr uint8_t kFrame = 0x02;  ///< high between transfers, low during one
inline constexpr uint8_t kClock = 0x08;
inline constexpr uint8_t kTargetData = 0x40;

/// The three port bases of the setup dialog's list.
inline constexpr bool IsPortBase(uint16_t base) {
  return base == 0x378 || base == 0x278 || base == 0x3BC;
}
}  // namespace lpt

/// The parallel-port driver "\\.\QxParallel" and, for systems without it, the processor's
/// port instructions. Requests carry absolute port addresses.
class ParallelDriver {
 public:
  virtual ~ParallelDriver() = default;

  /// Opens the driver's device; an invalid handle when it is not there.
  virtual DeviceHandle Open(const std::string& name) = 0;
  /// One driver request; reads answer in `out[0]`. False when the request did not complete.
  virtual bool Control(DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                       std::span<uint8_t> out) = 0;
  virtual void Close(DeviceHandle h) = 0;

  /// Port input and output instructions of the driverless mode.
  virtual uint8_t PortIn(uint16_t port) = 0;
  virtual void PortOut(uint16_t port, uint8_t value) = 0;

  /// What the bench user has to do about the last failure; empty when nothing failed.
  virtual std::string Problem() const { return {}; }
};

}  // namespace qx::link

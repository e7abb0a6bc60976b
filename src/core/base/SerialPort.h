#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace qx::base {

/// Error bits of the line status, as the serial driver reports them.
namespace comm_error {
inline constexpr uint32_t kRxOver = 0x0001;
inline constexpr uint32_t kOverrun = 0x0002;
inline constexpr uint32_t kRxParity = 0x0004;
inline constexpr uint32_t kFrame = 0x0008;
inline constexpr uint32_t kBreak = 0x0010;
}  // namespace comm_error

/// Parity codes of the line settings.
enum class Parity : uint16_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

struct LineSettings {
  int32_t baudRate = 9600;
  uint16_t byteSize = 8;
  Parity parity = Parity::None;
  uint16_t stopBits = 0;  ///< 0 one, 1 one and a half, 2 two stop bits
};

/// Bytes waiting in the input queue and the errors seen since the last status call.
struct LineStatus {
  size_t queued = 0;
  uint32_t errorMask = 0;
};

/// One open serial port. Reads never block: they return what is queued, up to the buffer size.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  virtual bool Configure(const LineSettings& settings) = 0;
  virtual bool SetDtr(bool on) = 0;
  /// Queued byte count and the error mask; reading the status clears the mask.
  virtual LineStatus Status() = 0;
  /// Reads up to `buffer.size()` queued bytes; returns how many were read.
  virtual size_t Read(std::span<uint8_t> buffer) = 0;
  virtual bool Write(std::span<const uint8_t> bytes) = 0;
  virtual void DiscardInput() = 0;
  /// The line settings in force now, so a probe can put them back; nullopt when unknown.
  virtual std::optional<LineSettings> CurrentSettings() { return std::nullopt; }
};

/// Opens ports by their bench names ("COM3").
class SerialPortProvider {
 public:
  virtual ~SerialPortProvider() = default;
  /// Exclusive open; nullptr when the port does not exist or is in use.
  virtual std::unique_ptr<SerialPort> Open(const std::string& name) = 0;
  /// Why the last Open gave nullptr, naming the device ("/dev/ttyUSB3: no such device");
  /// empty when the provider cannot tell.
  virtual std::string LastOpenError() const { return {}; }
};

}  // namespace qx::base

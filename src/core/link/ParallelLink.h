#pragma once

#include <cstdint>
#include <string>

#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/link/DeviceHandle.h"
#include "core/link/DriverServices.h"
#include "core/link/IoFrame.h"
#include "core/link/LptRegisters.h"
#include "core/link/ParallelDriver.h"
#include "core/link/TransferTrace.h"

namespace qx::link {

/// Link kind 3: bytes clocked serially over a parallel port's control and status lines,
/// through the port driver (installed and started as a service when needed) or, on systems
/// without one, through direct port instructions. Transfers are C0 reads and 40 writes.
class ParallelLink {
 public:
  static constexpr uint16_t kPace = 1000;
  static constexpr double kSettleMs = 50;
  static constexpr int kRequestTries = 4;
  static constexpr uint8_t kReadCommand = 0xC0;
  static constexpr uint8_t kWriteCommand = 0x40;

  ParallelLink(IoFrame& frame, const base::Settings& settings, base::Clock& clock,
               base::Host& host);
  ~ParallelLink();
  ParallelLink(const ParallelLink&) = delete;
  ParallelLink& operator=(const ParallelLink&) = delete;

  /// The backends of this run; both must outlive the link. Without them nothing opens.
  void Attach(ParallelDriver& driver, DriverServices& services);

  /// True when this call opened the driver; false when it was open already, in driverless
  /// mode, or when it could not be opened.
  bool LptOpen();
  /// `LptOpen`, then the port at the configured base is set up for the link. Shows in status
  /// panel 0 whether the link can work, and if not, what to do.
  void LptInit();
  /// The driver (or the driverless mode) is open and the port answered its set-up.
  bool Ready() const { return ready_; }
  bool DriverMode() const { return driverMode_; }
  /// The status text of the last `LptInit`.
  const std::string& StatusText() const { return status_; }

  /// Opens the driver's service and starts it: 0 started, 1056 already running, 5 access
  /// denied, 123 invalid name, 1060 did not exist and has just been installed, 3 other failure.
  int StartService();

  uint8_t LptPortRead(uint16_t port);
  void LptPortWrite(uint16_t port, uint8_t value);
  void LptStart(uint16_t base);
  void LptEnd(uint16_t base);
  void LptPace(uint16_t base, uint16_t count);
  void LptSendByte(uint16_t base, uint8_t value);
  uint8_t LptReceiveByte(uint16_t base);

  /// Reads `count` bytes into `IoFrame` from byte 0. False when the port is not open or a
  /// driver request failed; nothing on the lines tells whether a target answered.
  bool ReadBytes(uint16_t address, uint8_t count);
  /// Writes the `count` bytes the caller put in `IoFrame` from byte 5 on.
  bool WriteBytes(uint16_t address, uint8_t count);

  void SetTrace(TransferTrace trace) { trace_ = std::move(trace); }

 private:
  /// Port instructions of the driverless mode as register access.
  class DirectPorts final : public LptRegisters {
   public:
    explicit DirectPorts(ParallelDriver*& driver) : driver_(driver) {}
    uint8_t Read(uint16_t port) override { return driver_->PortIn(port); }
    void Write(uint16_t port, uint8_t value) override { driver_->PortOut(port, value); }

   private:
    ParallelDriver*& driver_;
  };

  bool Request(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out);
  void CopyDriverFile();
  bool Transfer(uint8_t command, uint16_t address, uint8_t count);

  IoFrame& frame_;
  const base::Settings& settings_;
  base::Clock& clock_;
  base::Host& host_;
  ParallelDriver* driver_ = nullptr;
  DriverServices* services_ = nullptr;
  DirectPorts direct_{driver_};
  DeviceHandle handle_ = kInvalidHandle;
  bool driverMode_ = true;
  bool ready_ = false;
  bool failed_ = false;  ///< a driver request of the current operation did not complete
  std::string status_;
  TransferTrace trace_;
};

}  // namespace qx::link

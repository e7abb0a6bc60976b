#pragma once

#include <map>
#include <string>

#include "core/link/LptRegisters.h"
#include "core/link/ParallelDriver.h"
#include "platform/PpdevSystem.h"

namespace qx::platform {

/// The parallel-port driver on Linux: the request codes run on the port's registers through
/// ppdev (one ioctl per register access), on the node that ParPortNames gives for the port's
/// base. A node is opened and claimed at its first use and kept until Close. The extended
/// control register is reached through the port's IEEE 1284 mode where the port has ECP.
class PpdevParallelDriver final : public link::ParallelDriver {
 public:
  /// `tableText` is the content of ParPorts.txt (empty for none).
  explicit PpdevParallelDriver(std::string tableText, PpdevSystem& system = PpdevSystem::Posix());
  ~PpdevParallelDriver() override;
  PpdevParallelDriver(const PpdevParallelDriver&) = delete;
  PpdevParallelDriver& operator=(const PpdevParallelDriver&) = delete;

  /// The same with ParPorts.txt read from `programDir`.
  static std::string ReadTable(const std::string& programDir);

  link::DeviceHandle Open(const std::string& name) override;
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out) override;
  void Close(link::DeviceHandle h) override;
  uint8_t PortIn(uint16_t port) override;
  void PortOut(uint16_t port, uint8_t value) override;
  std::string Problem() const override { return problem_; }

 private:
  struct Port {
    int fd = -1;
    bool ecp = false;
    bool reverse = false;  ///< data direction, control bit 5
  };
  /// Register access that remembers whether any ioctl failed.
  class Registers final : public link::LptRegisters {
   public:
    explicit Registers(PpdevParallelDriver& owner) : owner_(owner) {}
    uint8_t Read(uint16_t port) override;
    void Write(uint16_t port, uint8_t value) override;
    bool failed = false;

   private:
    PpdevParallelDriver& owner_;
  };

  Port* PortOf(uint16_t base);
  bool ReadRegister(uint16_t port, uint8_t& value);
  bool WriteRegister(uint16_t port, uint8_t value);
  bool Call(Port& p, unsigned long request, void* arg, const char* what);
  void CloseAll();

  std::string table_;
  PpdevSystem& system_;
  std::map<uint16_t, Port> ports_;
  bool open_ = false;
  std::string problem_;
};

}  // namespace qx::platform

#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimByteProtocol.h"
#include "sim/SimChamberThermal.h"

namespace qx::sim {

/// The temperature-chamber controller at station "01". Frames are STX "01WSD,cc,aaaa{,wwww}" CR
/// LF (write cc words from address aaaa) and STX "01RSD,cc,aaaa" CR LF (read cc words): counts as
/// two decimal digits, addresses and words as four upper-case hex digits, words 16-bit two's
/// complement. A write is answered STX "01WSD,OK" CR LF; a read STX "01RSD,OK" then ",wwww" per
/// word, CR LF. A malformed frame, another station or an unknown command gets "NG" in place of
/// "OK". Bytes before STX are line noise and are dropped.
class SimChamber final : public SimByteProtocol {
 public:
  static constexpr uint8_t kStx = 0x02;
  static constexpr size_t kMaxFrame = 600;  ///< longer than any valid frame: dropped unanswered

  // Register map (addresses of the controller's data words).
  static constexpr uint16_t kPresentCelsius = 0x0001;  ///< tenths of a degree, signed
  static constexpr uint16_t kSetCelsius = 0x0002;
  static constexpr uint16_t kPresentHumidity = 0x0003;  ///< tenths of a percent
  static constexpr uint16_t kSetHumidity = 0x0004;
  static constexpr uint16_t kStatus = 0x0010;          ///< bit 0: running
  static constexpr uint16_t kOperation = 0x0101;       ///< write 1 to run, 4 to stop
  static constexpr uint16_t kTargetCelsius = 0x0102;   ///< ×10
  static constexpr uint16_t kTargetHumidity = 0x0103;  ///< ×10
  static constexpr uint16_t kCelsiusRate = 0x0106;     ///< ×10, degrees per minute
  static constexpr uint16_t kHumidityRate = 0x0107;    ///< ×10, percent per minute
  static constexpr uint16_t kOperationRun = 1;
  static constexpr uint16_t kOperationStop = 4;

  explicit SimChamber(base::Clock& clock, uint64_t seed = 7) : thermal_(clock, seed) {}

  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override;

  SimChamberThermal& Thermal() { return thermal_; }
  /// Every well-formed frame is answered "NG" while set (the controller refuses).
  void SetRefuseAll(bool refuse) { refuseAll_ = refuse; }
  /// The word a read of `address` returns now.
  uint16_t ReadWord(uint16_t address);

 private:
  struct Request {
    bool write = false;
    uint16_t address = 0;
    size_t count = 0;
    std::vector<uint16_t> words;
  };
  void Complete(std::vector<uint8_t>& out);
  static std::optional<Request> Parse(const std::string& body);
  void WriteWord(uint16_t address, uint16_t value);
  static void Reply(const std::string& text, std::vector<uint8_t>& out);

  SimChamberThermal thermal_;
  std::map<uint16_t, uint16_t> stored_;  ///< registers without a behaviour keep what was written
  std::vector<uint8_t> frame_;
  bool refuseAll_ = false;
};

}  // namespace qx::sim

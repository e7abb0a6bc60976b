#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "sim/SimByteProtocol.h"

namespace qx::sim {

/// A Brymen-like multimeter on its PC link. Each 8-byte request DLE STX 00 00 00 00 DLE ETX is
/// answered with one 22-byte reading frame:
///   0-1 DLE STX, 4 flag byte A, 5 flag byte B, 8 sign (' ' or '-'), 9-15 the reading as seven
///   characters with a decimal point ("1.23456"), 17 exponent sign, 18 exponent digit,
///   20-21 DLE ETX; the other bytes are spaces.
/// The reading is mantissa × 10^±e. An overload shows "OL" from byte 9. Other input is ignored.
class SimMeter final : public SimByteProtocol {
 public:
  static constexpr uint8_t kDle = 0x10;
  static constexpr uint8_t kStx = 0x02;
  static constexpr uint8_t kEtx = 0x03;
  static constexpr size_t kFrameLength = 22;
  static constexpr std::array<uint8_t, 8> kRequest{kDle, kStx, 0, 0, 0, 0, kDle, kEtx};

  // Flag byte A.
  static constexpr uint8_t kAc = 0x01;
  static constexpr uint8_t kDc = 0x02;
  static constexpr uint8_t kVolts = 0x04;
  static constexpr uint8_t kFarads = 0x08;
  static constexpr uint8_t kDiode = 0x10;
  static constexpr uint8_t kCelsius = 0x20;
  static constexpr uint8_t kFahrenheit = 0x40;
  static constexpr uint8_t kOhms = 0x80;
  // Flag byte B.
  static constexpr uint8_t kAmps = 0x02;
  static constexpr uint8_t kHertz = 0x04;
  static constexpr uint8_t kPercent = 0x08;
  static constexpr uint8_t kDecibels = 0x20;

  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override;

  /// A fixed reading; it replaces any source the meter was watching.
  void SetValue(double value) {
    value_ = value;
    source_ = nullptr;
  }
  double Value() const { return source_ ? source_() : value_; }
  /// Unit flags, volts DC by default.
  void SetFlags(uint8_t a, uint8_t b) {
    flagA_ = a;
    flagB_ = b;
  }
  uint8_t FlagA() const { return flagA_; }
  uint8_t FlagB() const { return flagB_; }
  void SetOverload(bool on) { overload_ = on; }
  /// Reads its value from `source` at each request instead (a probe in the chamber); an empty
  /// function goes back to the set value.
  void SetSource(std::function<double()> source) { source_ = std::move(source); }
  size_t Requests() const { return requests_; }

  /// The frame the meter sends for its present reading.
  std::array<uint8_t, kFrameLength> Frame() const;

 private:
  std::vector<uint8_t> pending_;  ///< a request that has only partly arrived
  double value_ = 0;
  uint8_t flagA_ = kDc | kVolts;
  uint8_t flagB_ = 0;
  bool overload_ = false;
  std::function<double()> source_;
  size_t requests_ = 0;
};

}  // namespace qx::sim

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qx::instruments {

/// One decoded reading of a Brymen multimeter.
struct MeterReading {
  double value = 0;
  bool negative = false;
  std::string digits;      ///< bytes 9 to 15 without the decimal point and spaces
  int pointPosition = -1;  ///< position of the decimal point, 0 for byte 9; -1 when none
  bool error = false;
  bool exponentPositive = false;  ///< byte 17 is "+"
  uint8_t flagA = 0;
  uint8_t flagB = 0;
};

/// The multimeter's framing (DLE STX ... DLE ETX) and the decode of its 22-byte reply.
struct MeterFrame {
  static constexpr uint8_t kDle = 0x10;
  static constexpr uint8_t kStx = 0x02;
  static constexpr uint8_t kEtx = 0x03;
  static constexpr size_t kReplyLength = 22;

  /// The 8-byte request DLE STX 00 00 00 00 DLE ETX.
  static std::span<const uint8_t, 8> Request();
  /// Position of the first DLE STX or DLE ETX pair, or npos.
  static size_t FindStart(std::span<const uint8_t> bytes);
  static size_t FindEnd(std::span<const uint8_t> bytes);
  static constexpr size_t npos = static_cast<size_t>(-1);

  /// Decodes a reply (byte positions from its first byte): flag bytes 4 and 5, the reading in
  /// bytes 8 to 15, the exponent sign in byte 17 and the exponent digit in byte 18. A reply
  /// shorter than 22 bytes, a text that does not convert or a non-digit exponent sets `error`;
  /// a byte 9 that is not a digit gives 0 without error.
  static MeterReading Decode(std::span<const uint8_t> reply);
  /// "AC ", "DC " (only while A bit 7 is clear), "V", "F", "D", "℃", "℉", "Ω" from flag A bits
  /// 0 to 7; "A", "Hz", "%", "dB" from flag B bits 1, 2, 3 and 5; in that order.
  static std::string UnitText(uint8_t flagA, uint8_t flagB);
};

}  // namespace qx::instruments

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qx::instruments {

/// Frames of the temperature-chamber controller at station "01": ASCII counts of two decimal
/// digits, addresses and data words of four upper-case hex digits, STX first and CR LF last.
struct ChamberFrame {
  static constexpr uint8_t kStx = 0x02;

  /// STX "01WSD," count "," address {"," word} CR LF: 5·(count + 1) + 11 bytes. A negative
  /// word goes out as its 16-bit two's complement (-400 is FE70).
  static std::string Write(uint16_t address, std::span<const int16_t> words);
  /// STX "01RSD," count "," address CR LF: 16 bytes.
  static std::string Read(uint16_t address, uint8_t count);
  /// Bytes a read of `count` words waits for: 5·count + 11.
  static size_t ReadReplyLength(uint8_t count) { return 5u * count + 11u; }

  /// The controller's acknowledgement: byte 0 is STX and bytes 7 and 8 are "OK".
  static bool IsOk(std::span<const uint8_t> reply);
  /// Data word k (from 0) of a read reply, four hex digits at bytes 10 + 5k to 13 + 5k, as a
  /// signed value (a word above 32768 stands for word − 65536). A reply too short for the word,
  /// or any non-hex digit in it, gives 0.
  static int DataWord(std::span<const uint8_t> reply, size_t k);
};

}  // namespace qx::instruments

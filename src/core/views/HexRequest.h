#pragma once

#include <cstdint>
#include <string>

namespace qx::views {

/// Where a confirmed hex value goes: one byte, or a word split high byte / low byte.
struct WriteTarget {
  enum class Kind { Byte, Word };
  Kind kind = Kind::Byte;
  uint16_t first = 0;   ///< the byte's address, or the word's high byte
  uint16_t second = 0;  ///< the word's low byte
  bool operator==(const WriteTarget&) const = default;
};

/// What a view asks of the hex entry popup, and where the answer is written.
struct HexRequest {
  std::string prompt;
  std::string pattern;  ///< "FF", "FFF" or "FFFF"
  std::string range;    ///< "00~FF", "000~FFF" or "0000~FFFF"
  WriteTarget target;
  bool operator==(const HexRequest&) const = default;
};

}  // namespace qx::views

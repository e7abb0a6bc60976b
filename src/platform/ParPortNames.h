#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace qx::platform {

/// Maps the parallel port bases to ppdev nodes: 0x378, 0x278 and 0x3BC are /dev/parport0, 1
/// and 2 unless `ParPorts.txt` in the program folder says otherwise, one "BASE /dev/path"
/// per line, BASE written 0x378 or LPT1, LPT2, PRN1.
class ParPortNames {
 public:
  static constexpr const char* kTableFile = "ParPorts.txt";

  /// Base of a name ("0x378", "378H", "LPT1"); 0 when it is none.
  static uint16_t BaseOf(std::string_view name);
  /// Blank lines, "#" comments and malformed lines are skipped; the first line for a base wins.
  static std::map<uint16_t, std::string> ParseTable(std::string_view text);
  /// Node of `base` with the given table text; empty for a base that is no parallel port.
  static std::string Resolve(uint16_t base, std::string_view tableText);
};

}  // namespace qx::platform

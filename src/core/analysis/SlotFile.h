#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx::analysis {

/// A recorded stream as `qxctl stream` prints it: one slot per line, six hexadecimal digits
/// (high, middle, low byte). Blank lines are skipped; anything else is refused with its line.
class SlotFile {
 public:
  /// Files beyond this size are not a recorded stream.
  static constexpr size_t kMaxSlots = 1u << 20;
  /// The longest file: a capture's slots and its settling slots, "FFFFFF\r\n" each.
  static constexpr size_t kMaxBytes = (kMaxSlots + 13) * 8;

  /// Parses `text` into `slots`; on bad input returns false and sets `error` ("line N: ...").
  static bool Parse(std::string_view text, std::vector<uint32_t>& slots, std::string& error);
};

}  // namespace qx::analysis

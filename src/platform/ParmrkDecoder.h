#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qx::platform {

/// Undoes the marking of the terminal's PARMRK mode: a byte received with a parity or framing
/// error arrives as FF 00 x, a real FF as FF FF. Sequences split across reads are carried over.
class ParmrkDecoder {
 public:
  /// Appends the data bytes of `in` to `out`; returns how many of them arrived marked.
  size_t Decode(std::span<const uint8_t> in, std::vector<uint8_t>& out);
  /// Forgets a half-received mark (after a flush of the input).
  void Reset() { state_ = State::Data; }
  /// True while the end of a mark is still outstanding.
  bool Pending() const { return state_ != State::Data; }

 private:
  enum class State { Data, Escape, Marked };
  State state_ = State::Data;
};

}  // namespace qx::platform

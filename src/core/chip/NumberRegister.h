#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/chip/TextConvert.h"

namespace qx::chip {

/// The loader's single number register: a word that is not a number (or is missing) takes the
/// value of the last successful conversion. Lives for one load and starts at 0.
class NumberRegister {
 public:
  int32_t Convert(std::string_view word) {
    ParseNumber(word, value_);
    if (onSuspect && IsSuspectBinary(word)) onSuspect(word);
    return value_;
  }
  uint16_t U16(std::string_view word) { return static_cast<uint16_t>(Convert(word)); }
  uint8_t U8(std::string_view word) { return static_cast<uint8_t>(Convert(word)); }
  int32_t Value() const { return value_; }

  /// Told of every binary word that holds other digits than 0 and 1.
  std::function<void(std::string_view word)> onSuspect;

 private:
  int32_t value_ = 0;
};

}  // namespace qx::chip

#pragma once

#include <cstdint>
#include <string_view>

namespace qx::base {

/// Reads blank-separated decimal integers from one line, the way the settings files are read:
/// blanks between numbers are skipped, and a number is everything up to the next blank. A token
/// that is not a whole decimal number, or that does not fit the asked range, is a failed read.
class FieldScanner {
 public:
  explicit FieldScanner(std::string_view line) : line_(line) {}

  /// Reads the next number into `value` when it lies within [min, max]; false otherwise (also at
  /// the end of the line). On failure `value` is left unchanged.
  bool ReadInt(int64_t& value, int64_t min, int64_t max);

  /// True when only blanks are left.
  bool AtEnd();

  template <typename T>
  bool Read(T& value, int64_t min, int64_t max) {
    int64_t v = 0;
    if (!ReadInt(v, min, max)) return false;
    value = static_cast<T>(v);
    return true;
  }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

}  // namespace qx::base

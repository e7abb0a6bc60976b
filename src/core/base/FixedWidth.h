#pragma once

#include <cstdint>
#include <string>

namespace qx::base {

/// Settings files put decimal numbers right-aligned in fixed fields, padded with blanks on the
/// left; a number wider than its field keeps all its digits.
inline std::string RightAligned(int64_t value, size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() >= width) return digits;
  return std::string(width - digits.size(), ' ') + digits;
}

/// Appends a field to a line of fields. A number that fills its field would run into the one
/// before it and both would read back as one, so such a number gets a separating blank.
inline void AppendField(std::string& line, int64_t value, size_t width) {
  std::string field = RightAligned(value, width);
  if (!line.empty() && field.front() != ' ') line += ' ';
  line += field;
}

inline const char* BoolText(bool b) {
  return b ? "TRUE" : "FALSE";
}

inline constexpr char kCrLf[] = "\r\n";

}  // namespace qx::base

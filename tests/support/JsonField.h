#pragma once

#include <cmath>
#include <string>

namespace qx::test {

/// Value of the number `key` in qxctl's one-line JSON object; NaN when the key is missing.
inline double Json(const std::string& text, const std::string& key) {
  const auto at = text.find("\"" + key + "\": ");
  if (at == std::string::npos) return NAN;
  return std::stod(text.substr(at + key.size() + 4));
}

}  // namespace qx::test

#include "core/base/LocalTime.h"

#include <ctime>

namespace qx::base {

std::string FormatLocalTime(std::chrono::system_clock::time_point time, const char* format) {
  const std::time_t t = std::chrono::system_clock::to_time_t(time);
  const std::tm* local = std::localtime(&t);
  if (local == nullptr) return {};
  char text[64];
  const size_t n = std::strftime(text, sizeof text, format, local);
  return std::string(text, n);
}

}  // namespace qx::base

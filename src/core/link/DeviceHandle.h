#pragma once

#include <cstdint>

namespace qx::link {

/// An OS device handle as the link sees it: −1 is the invalid handle, 0 also means no device.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;
inline constexpr bool IsValidHandle(DeviceHandle h) {
  return h != kInvalidHandle && h != 0;
}

}  // namespace qx::link

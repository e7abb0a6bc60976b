#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qx::link {

inline constexpr size_t kIoFrameSize = 260;
/// The one request/response buffer of the device link: request bytes before a send, reply bytes
/// after a receive.
using IoFrame = std::array<uint8_t, kIoFrameSize>;

}  // namespace qx::link

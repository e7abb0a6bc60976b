#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace qx::link {

enum class TransferDirection { Sent, Received };

/// Observer of every transfer on the wire: the bytes sent, then the bytes received.
using TransferTrace = std::function<void(TransferDirection, std::span<const uint8_t>)>;

}  // namespace qx::link

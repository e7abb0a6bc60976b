#pragma once

#include <QPoint>
#include <cstdint>
#include <functional>

#include "core/views/HexRequest.h"

namespace qx::gui {

/// Runs the hex entry popup for a request at a screen position; true with the value when
/// confirmed.
using HexAsker = std::function<bool(const views::HexRequest&, QPoint, uint32_t&)>;

}  // namespace qx::gui

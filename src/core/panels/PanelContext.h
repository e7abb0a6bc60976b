#pragma once

#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/link/LinkMonitor.h"
#include "core/link/TargetAccess.h"

namespace qx::panels {

/// What a block panel reaches: the target through the access operations, the chip's fields
/// and gain tables, the continuous-reading flag of the link monitor and the display settings.
struct PanelContext {
  link::TargetAccess& access;
  chip::ChipModel& chip;
  link::LinkMonitor& monitor;
  base::Settings& settings;
};

}  // namespace qx::panels

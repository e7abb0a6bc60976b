#pragma once

#include "core/base/Host.h"
#include "core/chip/ChipModel.h"
#include "core/link/IoFrame.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"

namespace qx::views {

/// Passed to Host::RegImageChanged when the whole image may have changed.
inline constexpr int kWholeImage = base::Host::kWholeImage;

/// The main window's two commands that act on the target directly: "Read RAM" and "SLEEP".
class RamCommands {
 public:
  static constexpr uint16_t kSleepAddress = 0xFD;
  static constexpr uint8_t kSleepByte = 0xA5;

  RamCommands(link::TargetRecord& target, link::IoFrame& frame, link::TargetAccess& access,
              const chip::ChipModel& chip, base::Host& host)
      : target_(target), frame_(frame), access_(access), chip_(chip), host_(host) {}

  /// Copies the target's registers and data memory into the image, then lets every view
  /// refresh (Host::RegImageChanged(kWholeImage)). A failed block read stops the command
  /// without a refresh and returns false; the blocks read before it stay in the image.
  /// The parallel-port link (kind 3) has no transport yet, so its first read fails.
  bool ReadRam();
  /// Sends the chip to sleep. Returns whether the link took the byte.
  bool Sleep();

 private:
  void Refresh();

  link::TargetRecord& target_;
  link::IoFrame& frame_;
  link::TargetAccess& access_;
  const chip::ChipModel& chip_;
  base::Host& host_;
};

}  // namespace qx::views

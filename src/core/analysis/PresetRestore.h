#pragma once

#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/link/IoFrame.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"

namespace qx::analysis {

/// "Restore ADC" (`ComFunChange`): writes the register preset of the selected function
/// ("Scale" or "DMM") back to addresses 60..64 and 48, reads them back into the register image
/// and lets every view refresh. Link results are not checked: the read-back shows what the
/// chip holds.
class PresetRestore {
 public:
  static constexpr uint16_t kFirstAddress = 60;
  static constexpr uint8_t kBlockCount = 5;
  static constexpr uint16_t kLastAddress = 48;

  PresetRestore(link::TargetAccess& access, link::TargetRecord& target, link::IoFrame& frame,
                base::Settings& settings, base::Host& host)
      : access_(access), target_(target), frame_(frame), settings_(settings), host_(host) {}

  void ComFunChange();

 private:
  link::TargetAccess& access_;
  link::TargetRecord& target_;
  link::IoFrame& frame_;
  base::Settings& settings_;
  base::Host& host_;
};

}  // namespace qx::analysis

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/Clock.h"
#include "sim/SimBridge.h"
#include "sim/SimTarget.h"

namespace qx::sim {

/// The target microcontroller's switch channel test, as its firmware runs it. The firmware polls
/// its control bytes between host frames:
/// - 0xD2 bit 7: reset the test engine (results dropped, completion flags down), then clear it.
/// - 0xA4 bit 4: start. The geometry is latched from 0x120 (samples per step), 0x122 (loops,
///   low byte first) and 0x124 (channels); each of the first `channels` entries of the table is
///   applied in turn (addresses at 0x128, eight values per channel at 0x130 and 0x150) and
///   measured for one step, loop after loop. The carrier maps the converter's five registers at
///   0x3C..0x40; switching them does not start the converter's noise over, so every step and
///   loop gets conversions of its own. When the run time of all conversions at their output rates
///   has passed, bits 4 and 5 of the bridge's first status byte go up.
/// - 0xA4 bit 3: copy the result bytes at the 3-byte offset 0x170 (length at 0x173) to 0x100,
///   three bytes a sample, low byte first, then clear the bit.
/// Busy bits clear kBusyMs after the firmware first sees them.
class SimSwitchFirmware {
 public:
  static constexpr double kBusyMs = 2;
  static constexpr uint16_t kRegisterWindow = 0x3C;  ///< converter register 0 on the carrier
  static constexpr size_t kMaxChunkBytes = 48;

  SimSwitchFirmware(base::Clock& clock, SimTarget& target, SimBridge& bridge);

  /// One pass of the firmware's main loop; the bridge runs it around every frame.
  void Step();

  bool Running() const { return running_; }
  /// Run time of the last started test, in milliseconds.
  double RunTimeMs() const { return runTimeMs_; }
  /// Result bytes of the last run.
  const std::vector<uint8_t>& Results() const { return results_; }

  // Fault injection.
  void SetNeverCompletes(bool on) { neverCompletes_ = on; }
  void SetBusyStuck(bool on) { busyStuck_ = on; }
  /// The next chunk copied to 0x100 has every byte inverted.
  void GarbleNextChunk() { garbleNext_ = true; }

 private:
  /// True once `bit` of `address` has been set for kBusyMs; `seenAt` tracks it.
  bool BusyDue(uint16_t address, uint8_t bit, double now, double& seenAt);
  void Reset();
  void Start(double now);
  void CopyChunk();
  void SetDoneBits(bool on);

  base::Clock& clock_;
  SimTarget& target_;
  SimBridge& bridge_;
  bool running_ = false;
  double doneAtMs_ = 0;
  double runTimeMs_ = 0;
  double resetSeenAt_ = -1;
  double chunkSeenAt_ = -1;
  std::vector<uint8_t> results_;
  bool neverCompletes_ = false;
  bool busyStuck_ = false;
  bool garbleNext_ = false;
};

}  // namespace qx::sim

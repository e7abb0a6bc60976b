#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/base/SteadyClock.h"
#include "core/chip/ChipModel.h"

namespace qx::sim {
class SimBoard;
}

namespace qx::cli {

/// The folder of the data files: `dir` when given, else QX_PROGRAM_DIR, else the executable's.
std::string ProgramDirOf(const std::string& dir);

/// The backends and the workbench of one qxctl run: the simulated board or the real devices.
class CliSession {
 public:
  /// `trace` receives the transfer trace when --trace is given.
  CliSession(const CliOptions& options, std::ostream& trace);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  app::Workbench& Bench() { return *bench_; }
  base::RecordingHost& Host() { return host_; }
  base::Clock& Clock() { return clock_; }
  /// Where --trace lines go.
  std::ostream& Trace() { return trace_; }
  /// The serial ports of this run: the simulated bench's or the real ones.
  base::SerialPortProvider& SerialPorts() { return *serialPorts_; }
  /// The simulated board with --simulate, else null.
  sim::SimBoard* Board() { return board_.get(); }
  /// Makes the link usable: opens the bridge (USB kinds) or the serial port (kind 0).
  /// On failure returns false and sets `error`.
  bool Connect(std::string& error);

 private:
  void InstallTrace();
  /// The chip of `ChipIndex` in the panel's "QxADC.cfg" (chip 0 without one), so the link and
  /// the simulated board work with that chip's registers and gains.
  void LoadChipDescription();

  CliOptions options_;
  std::ostream& trace_;
  base::SteadyClock steadyClock_;
  base::FakeClock virtualClock_;
  /// Virtual time only on the simulated bench: nothing real waits for it.
  base::Clock& clock_;
  base::RecordingHost host_;
  chip::ChipModel chip_;  ///< the board's model until the workbench exists
  std::unique_ptr<sim::SimBoard> board_;
  std::unique_ptr<link::HidBackend> ownedHid_;
  std::unique_ptr<link::BulkDriver> ownedBulk_;
  std::unique_ptr<base::SerialPortProvider> ownedSerialPorts_;
  std::unique_ptr<link::ParallelDriver> ownedParallel_;
  std::unique_ptr<link::DriverServices> ownedDriverServices_;
  link::HidBackend* hid_ = nullptr;
  link::BulkDriver* bulk_ = nullptr;
  base::SerialPortProvider* serialPorts_ = nullptr;
  std::unique_ptr<app::Workbench> bench_;
};

}  // namespace qx::cli

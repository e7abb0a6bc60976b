#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/app/Workbench.h"
#include "core/autotest/TempTest.h"
#include "core/remote/ScpiCommandTree.h"
#include "core/remote/ScpiServer.h"

namespace qx::app {

/// What a front end does to run a temperature run for a remote client: qxctl takes the run
/// lock, opens the journal and selects the instruments as `qxctl temp-test` does.
class TempRunStarter {
 public:
  /// What to do with a run the journal holds unfinished.
  enum class Unfinished { Refuse, Resume, New };
  virtual ~TempRunStarter() = default;
  /// Runs a whole temperature run on the step files of the program folder. Empty when every
  /// mode was measured; else why the run did not start, did not complete, or which modes
  /// failed.
  virtual std::string RunTemperature(bool withChamber, Unfinished unfinished) = 0;
};

/// The TEST:TEMPerature commands: a run started by a client (overlapped: it completes `*OPC`
/// when the run ends), stopped by any client, and its state for polling.
class RemoteTempRun {
 public:
  static constexpr int kRunFailed = 11;  ///< the run did not complete, or modes failed: why
  static constexpr int kRunning = 12;    ///< a temperature run is under way
  static constexpr char kRunningText[] =
      "a temperature run is under way; TEST:TEMPerature:STOP ends it";

  explicit RemoteTempRun(Workbench& bench) : bench_(bench) {}

  void Serve(remote::ScpiServer& server) { server_ = &server; }
  /// The front end's way to run; without one, STARt is refused.
  void SetStarter(TempRunStarter* starter) { starter_ = starter; }
  /// Adds the commands; `idle` refuses STARt (and queues why) while a capture or run is busy.
  void AddCommands(remote::ScpiCommandTree& tree,
                   const std::function<bool(remote::ScpiCall&)>& idle);
  bool HasPending() const { return pending_.has_value(); }
  /// Runs the run a client started, to its end.
  void RunPending();
  /// A run started here, or at the panel's window, is under way.
  bool Running() const { return pending_ || started_ || bench_.tempTest.Running; }

  /// `TEST:TEMPerature:STATe?`: "IDLE"; "RUNNING,<point>,<mode>,<seconds left>" (mode 0 while
  /// the chamber heads for the point; seconds left as estimated, 0 before the first mode) or
  /// "WAITING,<point>,<mode>,<seconds left>" while the run waits for a lost USB bridge.
  static std::string StateText(bool running, const autotest::TempProgress& progress, double nowMs);

 private:
  Workbench& bench_;
  remote::ScpiServer* server_ = nullptr;
  TempRunStarter* starter_ = nullptr;
  struct Request {
    remote::ScpiOperation op;
    bool withChamber = true;
    TempRunStarter::Unfinished unfinished = TempRunStarter::Unfinished::Refuse;
  };
  std::optional<Request> pending_;  ///< asked for, not begun
  bool started_ = false;            ///< a client's run has begun and not ended
  bool stopAsked_ = false;          ///< a client stopped the run under way
};

}  // namespace qx::app

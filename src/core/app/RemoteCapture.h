#pragma once

#include <deque>
#include <functional>
#include <string>

#include "core/app/Workbench.h"
#include "core/remote/ScpiCommandTree.h"
#include "core/remote/ScpiServer.h"

namespace qx::app {

/// The capture commands of the remote bench: the analysis window's settings (SENSe:ADC), a
/// capture that completes later (INITiate, ABORt, MEASure) and its codes and figures (FETCh).
/// A capture runs from the transport's loop (`RunPending`), never inside the handler that asked
/// for it, so the reply of `*OPC?` or MEASure waits while the command's bytes are all taken.
class RemoteCapture {
 public:
  static constexpr int kCaptureFailed = 7;  ///< the capture did not complete: its reason
  static constexpr int kNotChosen = 8;      ///< a capture setting has no value yet
  static constexpr int kCapturing = 9;      ///< a capture runs already
  static constexpr int kOverRange = 10;     ///< codes at an end of the range: the input clipped

  explicit RemoteCapture(Workbench& bench) : bench_(bench) {}

  /// The server whose connections the deferred captures answer; without one, INITiate and
  /// MEASure are refused.
  void Serve(remote::ScpiServer& server) { server_ = &server; }
  /// Adds the commands; `idle` refuses the settings and a new capture (and queues why) while a
  /// capture or a temperature run is busy.
  void AddCommands(remote::ScpiCommandTree& tree,
                   const std::function<bool(remote::ScpiCall&)>& idle);
  bool HasPending() const { return !pending_.empty(); }
  /// A capture a client asked for waits or runs.
  bool Busy() const { return queued_; }
  /// Runs the captures asked for since the last call, in order.
  void RunPending();

 private:
  /// Queues a capture for `RunPending`; `figures` makes it a query answered with them.
  void Start(remote::ScpiCall& call, bool figures);
  /// Every figure of the last capture: mean (codes), RMS and peak-to-peak noise (nV), ENOB and
  /// noise-free bits, in ASCII.
  std::string Figures() const;

  Workbench& bench_;
  remote::ScpiServer* server_ = nullptr;
  std::deque<std::function<void()>> pending_;
  bool queued_ = false;    ///< a capture waits in `pending_` or runs
  bool complete_ = false;  ///< the last capture reached its count
};

}  // namespace qx::app

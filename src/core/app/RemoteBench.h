#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/app/RemoteCapture.h"
#include "core/app/RemoteTempRun.h"
#include "core/app/Workbench.h"
#include "core/remote/ScpiCommandTree.h"
#include "core/remote/ScpiDevice.h"

namespace qx::app {

/// The bench as a SCPI instrument: its `*IDN?` and `*TST?` answers and its own commands, served
/// by the same target access operations as the windows and qxctl.
class RemoteBench : public remote::ScpiDevice {
 public:
  /// Error codes of the bench (positive, as the standard leaves them to the instrument).
  static constexpr int kNotConnected = 1;    ///< "USB not Connect !!!"
  static constexpr int kOutOfReach = 2;      ///< the QX740x link's five registers
  static constexpr int kWriteFailed = 3;     ///< "Register XX: write failed"
  static constexpr int kReadBackFailed = 4;  ///< "Register XX: read-back failed"
  static constexpr int kReadFailed = 5;      ///< "Read Error !!!!!"
  static constexpr int kNoSuchField = 6;  ///< a field or register the loaded chip does not declare
  static constexpr int kChipLoadFailed = 13;  ///< the chip index or description cannot be read

  explicit RemoteBench(Workbench& bench) : bench_(bench), capture_(bench), temp_(bench) {}

  /// The server whose connections the long operations (captures, temperature runs) answer
  /// when they end.
  void Serve(remote::ScpiServer& server) {
    capture_.Serve(server);
    temp_.Serve(server);
  }
  /// The chip folder ("INCLUDE/" of the program folder) whose index CHIP:CATalog? lists and
  /// whose descriptions CHIP:SELect loads; `loaded` runs after each load (the simulated board
  /// takes the new chip's gains). Without a folder the CHIP commands are refused.
  void SetChipFolder(std::string folder, std::function<void()> loaded = {}) {
    chipFolder_ = std::move(folder);
    chipLoaded_ = std::move(loaded);
  }
  /// How this front end runs a temperature run; without one TEST:TEMPerature:STARt is refused.
  void SetTempRunStarter(TempRunStarter* starter) { temp_.SetStarter(starter); }
  /// Work that commands left for the transport's loop; it runs when `RunPending` is called.
  /// While it runs, the transport keeps serving the clients through the host's event pump.
  bool HasPending() const { return capture_.HasPending() || temp_.HasPending(); }
  void RunPending() {
    capture_.RunPending();
    temp_.RunPending();
  }
  /// Ends the capture or temperature run under way at its next check (the program stops).
  void StopLongWork();

  remote::ScpiIdentity Identity() override;
  /// 0 when the link answers: the bridge its name on the USB link kinds, a register read on the
  /// others; 1 when it does not.
  int SelfTest() override;
  /// Adds the LINK, REGister, MEMory and capture commands to `tree` (the writes as commands that
  /// change the bench, which a remote lock may refuse); `tree` must not outlive this.
  void AddCommands(remote::ScpiCommandTree& tree);

  /// What the panel's status bar says while its server listens on `where`: "Remote", who holds
  /// the lock (a client, or the panel after Local) and how many clients are connected.
  static std::string PanelStatus(const std::string& where, size_t clients,
                                 std::optional<uint64_t> lockHolder);
  /// Why the panel may not do `what` now (a client holds the lock); empty when it may.
  static std::string LocalRefusal(const std::string& what, std::optional<uint64_t> lockHolder);

 private:
  /// No capture or temperature run is under way, started by a client or at the panel; else
  /// queues the error that says which (a command that would change what it measures waits).
  bool Idle(remote::ScpiCall& call);
  /// The link answers before an operation; queues the error and says no when it does not.
  bool Reachable(remote::ScpiCall& call);
  /// A range of the register image as a definite-length block; `readRam` reads the target's
  /// registers and data memory into the image first, as Read RAM does.
  void ImageBlock(remote::ScpiCall& call, bool readRam);
  /// The register parameter 0 gives, by address or by its name in the chip description;
  /// queues the error and gives nothing when there is none.
  std::optional<long long> Address(remote::ScpiCall& call);
  /// The field parameter 0 names among the loaded chip's analog fields; queues the error and
  /// gives nothing when there is none.
  const chip::FieldDescriptor* FieldNamed(remote::ScpiCall& call);
  static std::string FieldText(remote::ScpiCall& call);
  /// The field's register is in the link's reach and the link answers.
  bool FieldReachable(remote::ScpiCall& call, const chip::FieldDescriptor& field);

  /// CHIP:CATalog? and CHIP:SELect.
  void AddChipCommands(remote::ScpiCommandTree& tree);

  Workbench& bench_;
  std::string chipFolder_;
  std::function<void()> chipLoaded_;
  RemoteCapture capture_;
  RemoteTempRun temp_;
};

}  // namespace qx::app

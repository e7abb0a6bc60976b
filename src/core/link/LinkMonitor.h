#pragma once

#include <cstdint>

#include "core/base/Host.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"
#include "core/link/UsbTransport.h"

namespace qx::link {

/// Status texts of panel 0.
inline constexpr char kUsbOnLine[] = "USB On Line";
inline constexpr char kUsbNotConnect[] = "USB not Connect !!!";
/// Why a transfer failed when the bridge answers again at once.
inline constexpr char kReplyLost[] = "a reply of the bridge was lost; the bridge is on line";

/// The link monitor: a 10 ms tick that re-checks an idle USB bridge, runs the continuous ADC
/// reading and paces the capture chart; and the connect and release commands of the bridge.
class LinkMonitor {
 public:
  LinkMonitor(TargetRecord& target, UsbTransport& usb, TargetAccess& access, base::Host& host);

  static constexpr int kTickMs = 10;
  static constexpr uint32_t kIdleCheckTicks = 1000;
  static constexpr int kChartTicks = 25;
  /// Ticks between looks for a bridge that was on line and went away.
  static constexpr int kLostCheckTicks = 100;

  /// One timer tick.
  void Tick();
  /// Re-opens or re-identifies the bridge and shows the link state in panel 0.
  void CheckLink();
  /// The "USB Scan" command: open and identify, then let the front end identify the chip.
  bool USBConnect();
  /// Releases the bridge and closes it.
  void Disconnect();
  /// The link kind goes through the USB bridge.
  bool UsbKind() const { return IsUsbLinkKind(target_.LinkKind); }
  /// The bridge is open and claimed.
  bool Online() const { return target_.Usb.Opened && IsValidHandle(target_.Usb.Handle); }
  /// Before an operation that needs the bridge: a closed link (a failed transfer, a bridge
  /// unplugged and plugged back) is checked again at once instead of at the next idle check.
  bool EnsureOnline();
  /// After a transfer that failed and closed the link: opens it again and says what happened,
  /// a lost reply (kReplyLost) when the bridge answers, else a lost bridge (kUsbNotConnect).
  const char* LostLinkReason() { return EnsureOnline() ? kReplyLost : kUsbNotConnect; }

  bool continuousRead = false;  ///< set by the ADC panel's read button
  bool streamingChart = false;  ///< set by acquisition while a capture runs

 private:
  TargetRecord& target_;
  UsbTransport& usb_;
  TargetAccess& access_;
  /// Panel 0's link state, and whether the bridge was ever on line.
  enum class Shown { Never, OnLine, Lost };
  void Show(bool online);

  base::Host& host_;
  int chartTicks_ = 0;
  Shown shown_ = Shown::Never;
  int lostTicks_ = 0;
};

}  // namespace qx::link

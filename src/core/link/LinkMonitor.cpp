#include "core/link/LinkMonitor.h"

namespace qx::link {

namespace {
constexpr int kLinkPanel = 0;
}  // namespace

LinkMonitor::LinkMonitor(TargetRecord& target, UsbTransport& usb, TargetAccess& access,
                         base::Host& host)
    : target_(target), usb_(usb), access_(access), host_(host) {}

void LinkMonitor::Tick() {
  uint32_t& idle = usb_.IdleTicks();
  idle += 1;
  if (idle >= kIdleCheckTicks) {
    if (IsUsbLinkKind(target_.LinkKind)) CheckLink();
    idle = 0;
  } else if (IsUsbLinkKind(target_.LinkKind) && shown_ == Shown::OnLine && !Online()) {
    // A failed transfer closed the link: panel 0 says at once whether the bridge is still
    // there, instead of "USB On Line" until the next idle check.
    CheckLink();
  } else if (IsUsbLinkKind(target_.LinkKind) && shown_ == Shown::Lost &&
             ++lostTicks_ >= kLostCheckTicks) {
    // A bridge that was on line is looked for every second, so its return shows as quickly.
    lostTicks_ = 0;
    CheckLink();
  }

  if (continuousRead && access_.ReadAdcResult()) host_.AdcReadingChanged();

  chartTicks_ += 1;
  if (chartTicks_ > kChartTicks) {
    if (streamingChart) host_.RedrawCaptureChart();
    chartTicks_ = 0;
  }
}

void LinkMonitor::CheckLink() {
  if (usb_.UsbOpen(target_.Usb)) {
    Show(true);
  } else {
    usb_.UsbClose(target_.Usb);
    Show(false);
  }
}

void LinkMonitor::Show(bool online) {
  host_.SetStatus(kLinkPanel, online ? kUsbOnLine : kUsbNotConnect);
  if (online) {
    shown_ = Shown::OnLine;
  } else if (shown_ != Shown::Never) {
    shown_ = Shown::Lost;
  }
  lostTicks_ = 0;
}

bool LinkMonitor::USBConnect() {
  if (!usb_.UsbOpen(target_.Usb) || !usb_.UsbIdentify(target_.Usb)) {
    Show(false);
    return false;
  }
  Show(true);
  host_.UsbClientConnected();
  return true;
}

bool LinkMonitor::EnsureOnline() {
  if (!Online()) CheckLink();
  return Online();
}

void LinkMonitor::Disconnect() {
  // Let go on purpose: not looked for again until the next scan.
  shown_ = Shown::Never;
  if (!IsValidHandle(target_.Usb.Handle) || !target_.Usb.Opened) return;
  uint16_t release = 0xFFFF;
  usb_.UsbBridgeCommand(target_.Usb, 1, release);
  usb_.UsbClose(target_.Usb);
}

}  // namespace qx::link

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
    host_.SetStatus(kLinkPanel, kUsbOnLine);
  } else {
    usb_.UsbClose(target_.Usb);
    host_.SetStatus(kLinkPanel, kUsbNotConnect);
  }
}

bool LinkMonitor::USBConnect() {
  if (!usb_.UsbOpen(target_.Usb) || !usb_.UsbIdentify(target_.Usb)) {
    host_.SetStatus(kLinkPanel, kUsbNotConnect);
    return false;
  }
  host_.SetStatus(kLinkPanel, kUsbOnLine);
  host_.UsbClientConnected();
  return true;
}

bool LinkMonitor::EnsureOnline() {
  if (!Online()) CheckLink();
  return Online();
}

void LinkMonitor::Disconnect() {
  if (!IsValidHandle(target_.Usb.Handle) || !target_.Usb.Opened) return;
  uint16_t release = 0xFFFF;
  usb_.UsbBridgeCommand(target_.Usb, 1, release);
  usb_.UsbClose(target_.Usb);
}

}  // namespace qx::link

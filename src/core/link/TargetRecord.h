#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/base/SerialPort.h"
#include "core/link/UsbLink.h"

namespace qx::link {

inline constexpr int kRegImageSize = 1024;

/// Positions of the setup dialog's link list.
enum LinkKindValue : uint16_t {
  kLinkRs232 = 0,
  kLinkSpi = 1,
  kLinkSpecial = 2,
  kLinkParallel = 3,
  kLinkUart = 4,
  kLinkQx740x = 5,
};

/// Link kinds that go through the USB bridge (the others are the serial bridge and the
/// parallel port); the ADC stream and the bridge's own commands exist only on these.
inline bool IsUsbLinkKind(uint16_t kind) {
  return kind == kLinkSpi || kind == kLinkSpecial || kind == kLinkUart || kind == kLinkQx740x;
}

/// The connected target, shared by every window.
struct TargetRecord {
  uint16_t ChipIndex = 0;                         ///< position in the setup dialog's chip list
  std::array<uint8_t, kRegImageSize> RegImage{};  ///< image of target addresses 0..1023
  uint16_t LinkKind = kLinkRs232;

  // Serial bridge microcontroller (link kind 0).
  int32_t BaudIndex = 0;
  int32_t ComIndex = 0;
  int32_t ParityIndex = 0;
  std::unique_ptr<base::SerialPort> ComPort;  ///< open port, or null when closed
  std::string ComName;
  bool ComOpen = false;
  base::LineSettings Line;

  UsbLink Usb;
};

}  // namespace qx::link

#include "core/link/TargetAccess.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace qx::link {

namespace {
constexpr double kUsbAccessWaitMs = 50;
constexpr double kStreamPollWaitMs = 10;
constexpr double kSlowRegisterWaitMs = 1000;
constexpr uint8_t kUartAck = 0xAA;

// Registers whose writes are kept per analysis function: 60..64 then 48.
int PresetPosition(uint16_t address) {
  if (address >= 60 && address <= 64) return address - 60;
  if (address == 48) return 5;
  return -1;
}

uint8_t Lo(uint16_t v) {
  return static_cast<uint8_t>(v & 0xFF);
}
uint8_t Hi(uint16_t v) {
  return static_cast<uint8_t>(v >> 8);
}
/// Bits the stream start sets in the register holding IRQEN: decimal 14, i.e. bits 1 to 3. On
/// the QX740x layout (OSR[2:0] HS OSM IRQEN OSCS[1:0]) they leave OSR and HS, and so the
/// output rate, as the user set them.
constexpr uint8_t kStreamEnableBits = 14;

}  // namespace

TargetAccess::TargetAccess(TargetRecord& target, IoFrame& frame, UsbTransport& usb,
                           SerialBridgeLink& serial, ParallelLink& parallel, base::Clock& clock,
                           base::Host& host, const TargetChip& chip, base::Settings& settings)
    : target_(target),
      frame_(frame),
      usb_(usb),
      serial_(serial),
      parallel_(parallel),
      clock_(clock),
      host_(host),
      chip_(chip),
      settings_(settings) {}

uint8_t TargetAccess::GetRegImage(int index) const {
  if (index < 0 || index >= kRegImageSize) return 0;
  return target_.RegImage[static_cast<size_t>(index)];
}

void TargetAccess::SetRegImage(int index, uint8_t value) {
  if (index < 0 || index >= kRegImageSize) return;
  target_.RegImage[static_cast<size_t>(index)] = value;
}

void TargetAccess::StoreAndRefresh(int index, uint8_t value) {
  SetRegImage(index, value);
  host_.RegImageChanged(index);
}

bool TargetAccess::UsbExchange(size_t sendN, size_t readM) {
  return usb_.UsbWrite(target_.Usb, sendN) && usb_.UsbRead(target_.Usb, readM);
}

bool TargetAccess::ReadBytes(uint16_t address, uint8_t count) {
  switch (target_.LinkKind) {
    case kLinkRs232:
      return serial_.ReadBytes(address, count);
    case kLinkParallel:
      return parallel_.ReadBytes(address, count);
    case kLinkSpi:
    case kLinkSpecial:
    case kLinkUart:
    case kLinkQx740x:
      return ReadUsb(address, count);
    default:
      return false;
  }
}

bool TargetAccess::WriteBytes(uint16_t address, uint8_t count) {
  switch (target_.LinkKind) {
    case kLinkRs232:
      return serial_.WriteBytes(address, count);
    case kLinkParallel:
      return parallel_.WriteBytes(address, count);
    case kLinkSpi:
    case kLinkSpecial:
    case kLinkUart:
    case kLinkQx740x:
      return WriteUsb(address, count);
    default:
      return false;
  }
}

namespace {
// Second byte of a link kind 2 frame: two chip models take the plain read/write codes; the
// others carry bits 0..4 of the address high byte in bits 2..6.
uint8_t SpecialSelector(std::string_view model, uint16_t address, bool read) {
  if (model == "7R402" || model == "7R411") return read ? 0xC0 : 0x40;
  const uint8_t bank = static_cast<uint8_t>((Hi(address) * 4) & 0x7C);
  return read ? static_cast<uint8_t>(0x80 + bank) : bank;
}
}  // namespace

bool TargetAccess::ReadUsb(uint16_t address, uint8_t count) {
  const bool photo = settings_.Photo;
  switch (target_.LinkKind) {
    case kLinkSpi:
    case kLinkSpecial: {
      if (!target_.Usb.Opened) return false;
      if (target_.LinkKind == kLinkSpi) {
        frame_[0] = photo ? 0xBC : 0xB1;
        frame_[1] = 0xC0;
        frame_[2] = Lo(address);
        frame_[3] = Hi(address);
      } else {
        frame_[0] = photo ? 0xBE : 0xBA;
        frame_[1] = SpecialSelector(chip_.ModelName(), address, true);
        frame_[2] = Lo(address);
        frame_[3] = count;
      }
      frame_[4] = count;
      if (!UsbExchange(5, count)) return false;
      clock_.WaitMs(kUsbAccessWaitMs);
      return true;
    }
    case kLinkUart: {
      frame_[0] = 0xC1;
      frame_[1] = 0x80;
      frame_[2] = Lo(address);
      frame_[3] = Hi(address);
      frame_[4] = count;
      if (!UsbExchange(5, static_cast<size_t>(count) + 1)) return false;
      const bool ok = frame_[count] == kFrameOk;
      clock_.WaitMs(kUsbAccessWaitMs);
      return ok;
    }
    case kLinkQx740x: {
      frame_[0] = 0xC4;
      frame_[1] = 0x01;
      frame_[2] = 0xA0;
      frame_[3] = Lo(address);
      frame_[4] = count;
      if (!UsbExchange(static_cast<size_t>(count) + 5, 64)) return false;
      for (int i = 0; i < count; ++i) {
        const int reg = address + i;
        if (reg < kAdcRegisters && i + 1 < static_cast<int>(frame_.size()))
          adcRegShadow_[static_cast<size_t>(reg)] = frame_[static_cast<size_t>(i) + 1];
      }
      return true;
    }
    default:
      return false;
  }
}

bool TargetAccess::WriteUsb(uint16_t address, uint8_t count) {
  const bool photo = settings_.Photo;
  switch (target_.LinkKind) {
    case kLinkSpi:
    case kLinkSpecial: {
      if (target_.LinkKind == kLinkSpi) {
        frame_[0] = photo ? 0xBC : 0xB1;
        frame_[1] = 0x40;
        frame_[2] = Lo(address);
        frame_[3] = Hi(address);
      } else {
        frame_[0] = photo ? 0xBE : 0xBA;
        frame_[1] = SpecialSelector(chip_.ModelName(), address, false);
        frame_[2] = Lo(address);
        frame_[3] = count;
      }
      frame_[4] = count;
      if (!UsbExchange(static_cast<size_t>(count) + 5, 1)) return false;
      clock_.WaitMs(kUsbAccessWaitMs);
      return true;
    }
    case kLinkUart: {
      frame_[0] = 0xC1;
      frame_[1] = 0x00;
      frame_[2] = Lo(address);
      frame_[3] = Hi(address);
      frame_[4] = count;
      if (!UsbExchange(static_cast<size_t>(count) + 5, 1)) return false;
      const bool ok = frame_[0] == kUartAck;
      clock_.WaitMs(kUsbAccessWaitMs);
      return ok;
    }
    case kLinkQx740x: {
      frame_[0] = 0xC4;
      frame_[1] = 0x00;
      frame_[2] = 0xA0;
      frame_[3] = Lo(address);
      frame_[4] = count;
      // The five ADC registers are sent from the register shadow; any other address (the
      // sleep code at FD) sends what the caller put from byte 5 on.
      const size_t n = std::min<size_t>(count, frame_.size() - 7);
      std::array<uint8_t, kIoFrameSize> callerData{};
      std::copy_n(frame_.begin() + 5, n, callerData.begin());
      for (size_t i = 0; i < n; ++i) {
        const size_t reg = address + i;
        frame_[7 + i] = reg < kAdcRegisters ? adcRegShadow_[reg] : callerData[i];
      }
      return UsbExchange(static_cast<size_t>(count) + 7, 64);
    }
    default:
      return false;
  }
}

std::string TargetAccess::WriteReg(uint16_t address, uint8_t value) {
  if (target_.LinkKind == kLinkQx740x) {
    if (address >= kAdcRegisters) {
      host_.SetStatus(2, kQx740xReach);
      return kQx740xReach;
    }
    adcRegShadow_[address] = value;
    if (!WriteBytes(address, 1)) return ReportWriteFailure(address, false);
    if (!ReadBytes(address, 1)) return ReportWriteFailure(address, true);
    StoreAndRefresh(address, adcRegShadow_[address]);
    return {};
  }
  // A UART bridge that does not answer its probe leaves the status bar as it was.
  if (target_.LinkKind == kLinkUart && !ProbeUartLink()) return WriteFailureText(address, false);

  frame_[5] = value;
  uint8_t stored = 0;
  if (address == 49 || address == 50) {
    // These two registers need a second before their read-back settles.
    WriteBytes(address, 1);
    clock_.WaitMs(kSlowRegisterWaitMs);
    if (!ReadBytes(address, 1)) return ReportWriteFailure(address, true);
    stored = frame_[0];
  } else if (address == 27) {
    // Register 27 is written as the second byte of a pair with 26, and reads back as 0.
    frame_[5] = GetRegImage(26);
    frame_[6] = value;
    if (!WriteBytes(26, 2)) return ReportWriteFailure(address, false);
    stored = 0;
  } else {
    if (!WriteBytes(address, 1)) return ReportWriteFailure(address, false);
    if (!ReadBytes(address, 1)) return ReportWriteFailure(address, true);
    stored = frame_[0];
  }
  StoreAndRefresh(address, stored);
  RecordPreset(address, value);
  return {};
}

std::string TargetAccess::WriteFailureText(uint16_t address, bool readBack) {
  char text[64];
  std::snprintf(text, sizeof text,
                readBack ? "Register %02X: read-back failed" : "Register %02X: write failed",
                address);
  return text;
}

std::string TargetAccess::ReportWriteFailure(uint16_t address, bool readBack) {
  std::string text = WriteFailureText(address, readBack);
  host_.SetStatus(2, text);
  return text;
}

void TargetAccess::RecordPreset(uint16_t address, uint8_t value) {
  const int position = PresetPosition(address);
  if (position < 0) return;
  if (settings_.ComFun == 0)
    settings_.ScalePreset[static_cast<size_t>(position)] = value;
  else if (settings_.ComFun == 1)
    settings_.DmmPreset[static_cast<size_t>(position)] = value;
}

bool TargetAccess::ReadBridgeFlags(std::array<uint8_t, 3>& flags) {
  frame_[0] = 0xB5;
  frame_[1] = 0x07;
  if (!UsbExchange(3, 4)) return false;
  std::copy_n(frame_.begin() + 1, 3, flags.begin());
  return true;
}

bool TargetAccess::ReadBridgeName(std::string& name) {
  std::fill_n(frame_.begin(), 8, uint8_t{0});
  frame_[0] = 0xF9;
  frame_[1] = 0x05;
  if (!UsbExchange(8, 8)) return false;
  name.assign(frame_.begin(), frame_.begin() + 8);
  return true;
}

bool TargetAccess::ProbeUartLink() {
  const uint8_t probe[6] = {0xC0, 0x00, 0x00, 0x06, 0x81, 0x02};
  std::copy(std::begin(probe), std::end(probe), frame_.begin());
  return UsbExchange(6, 1) && IsValidHandle(target_.Usb.Handle);
}

uint16_t TargetAccess::FieldRegister(const char* key) const {
  return chip_.AdcFieldRegister(key);
}

bool TargetAccess::StartAdcStream(uint8_t mode) {
  const uint16_t irqReg = FieldRegister("IRQEN");
  const uint16_t tsReg = FieldRegister("TS");
  frame_[0] = 0xC4;
  frame_[1] = 0x02;
  frame_[2] = mode;
  frame_[3] = irqReg < kAdcRegisters ? adcRegShadow_[irqReg] : 0;
  frame_[4] = tsReg < kAdcRegisters ? adcRegShadow_[tsReg] : 0;
  bool ok = UsbExchange(5, 64) && frame_[0] == kFrameOk;
  // Interrupt enables of the streaming mode go back to the register whatever the answer was.
  // Without them the target sends nothing, so a failed write is a stream that did not start
  // (and one the capture would otherwise wait out in silence).
  if (irqReg < kAdcRegisters) {
    adcRegShadow_[irqReg] = static_cast<uint8_t>(GetRegImage(irqReg) | kStreamEnableBits);
    ok = WriteBytes(irqReg, 1) && ok;
  }
  return ok;
}

bool TargetAccess::PollAdcStream(int& count) {
  frame_[0] = 0xC4;
  frame_[1] = 0x04;
  if (!UsbExchange(2, 64)) return false;
  count = frame_[0] > kMaxStreamResults ? 0 : frame_[0];
  clock_.WaitMs(kStreamPollWaitMs);
  return true;
}

uint32_t TargetAccess::StreamResult(int j) const {
  if (j < 0 || j >= kMaxStreamResults) return 0;
  const size_t at = 1 + 3 * static_cast<size_t>(j);
  return static_cast<uint32_t>(frame_[at] << 16 | frame_[at + 1] << 8 | frame_[at + 2]);
}

bool TargetAccess::StopAdcStream() {
  const uint8_t stop[6] = {0xC4, 0x03, 0x01, 0x00, 0x00, 0x00};
  std::copy(std::begin(stop), std::end(stop), frame_.begin());
  return UsbExchange(6, 64) && frame_[0] == kFrameOk;
}

bool TargetAccess::ReadAdcResult() {
  const uint8_t request[6] = {0xC4, 0x01, 0xA0, 0x05, 0x03, 0x00};
  std::copy(std::begin(request), std::end(request), frame_.begin());
  if (!UsbExchange(6, 64) || frame_[0] != kFrameOk) return false;
  std::copy_n(frame_.begin() + 1, 3, lastAdc_.begin());
  return true;
}

bool TargetAccess::ReadAdcWord() {
  const uint8_t request[6] = {0xC4, 0x01, 0xA0, 0x06, 0x02, 0x00};
  std::copy(std::begin(request), std::end(request), frame_.begin());
  if (!UsbExchange(6, 64) || frame_[0] != kFrameOk) return false;
  lastWord_ = {frame_[1], frame_[2], 0};
  return true;
}

bool TargetAccess::SetTsBit0() {
  const uint16_t tsReg = FieldRegister("TS");
  if (tsReg >= kAdcRegisters) return false;
  adcRegShadow_[tsReg] = static_cast<uint8_t>(GetRegImage(tsReg) | 0x01);
  if (!WriteBytes(tsReg, 1)) return false;
  clock_.WaitMs(kUsbAccessWaitMs);
  return true;
}

bool TargetAccess::ReadOneShotAdc(uint16_t resultAddress, uint32_t& first, uint32_t& second) {
  const bool photo = settings_.Photo;
  const bool spi = target_.LinkKind == kLinkSpi;
  frame_[0] = spi ? (photo ? 0xBD : 0xBB) : (photo ? 0xBE : 0xBA);
  frame_[1] = target_.LinkKind == kLinkSpecial ? 1 : 0;
  frame_[2] = settings_.CFunADC >= 0 && settings_.CFunADC <= 3
                  ? static_cast<uint8_t>(settings_.CFunADC)
                  : 0;
  frame_[3] = Lo(resultAddress);
  frame_[4] = Hi(resultAddress);
  frame_[5] = 0xF0;
  frame_[6] = 0x00;
  frame_[7] = 0x08;
  frame_[8] = 0x64;
  if (!UsbExchange(9, 7) || frame_[0] != kFrameOk) return false;
  first = static_cast<uint32_t>(frame_[1] | frame_[2] << 8 | frame_[3] << 16);
  second = static_cast<uint32_t>(frame_[4] | frame_[5] << 8 | frame_[6] << 16);
  return true;
}

}  // namespace qx::link

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/link/IoFrame.h"
#include "core/link/ParallelLink.h"
#include "core/link/SerialBridgeLink.h"
#include "core/link/TargetChip.h"
#include "core/link/TargetRecord.h"
#include "core/link/UsbTransport.h"

namespace qx::link {

inline constexpr int kAdcRegisters = 5;
/// Why a register above 4 cannot be written or read on the QX740x link.
inline constexpr char kQx740xReach[] = "the QX740x link reaches registers 0 to 4 only";
/// At most this many results are buffered by the bridge per stream poll.
inline constexpr int kMaxStreamResults = 21;
inline constexpr uint8_t kFrameOk = 0xFA;

/// The link-independent target access operations every view, panel and test uses, and the
/// special USB frames of acquisition and the bridge. Dispatches on the target's link kind.
class TargetAccess {
 public:
  TargetAccess(TargetRecord& target, IoFrame& frame, UsbTransport& usb, SerialBridgeLink& serial,
               ParallelLink& parallel, base::Clock& clock, base::Host& host, const TargetChip& chip,
               base::Settings& settings);

  /// `RegImage`[index]; 0 outside 0..1023.
  uint8_t GetRegImage(int index) const;
  /// Stores the byte; ignored outside 0..1023.
  void SetRegImage(int index, uint8_t value);
  /// Stores the byte and lets every view and panel refresh.
  void StoreAndRefresh(int index, uint8_t value);

  /// Reads `count` bytes; they are in `IoFrame` from byte 0 (from byte 1 on link kind 5).
  bool ReadBytes(uint16_t address, uint8_t count);
  /// Writes the bytes the caller put in `IoFrame` from byte 5 (link kind 5: `AdcRegShadow`).
  bool WriteBytes(uint16_t address, uint8_t count);
  /// Writes one register with read-back and stores the result. Reports nothing to the user on
  /// failure but the status text it leaves in panel 2, which it also returns; empty when the
  /// write took.
  std::string WriteReg(uint16_t address, uint8_t value);

  /// B5 07: three status bytes of the bridge.
  bool ReadBridgeFlags(std::array<uint8_t, 3>& flags);
  /// F9 05: the 8-character firmware name of the bridge.
  bool ReadBridgeName(std::string& name);
  /// C0 00 00 06 81 02 on the UART link.
  bool ProbeUartLink();
  /// C4 02 m s1 s2: tells the bridge to stream conversion results in mode `mode`.
  bool StartAdcStream(uint8_t mode);
  /// C4 04: `count` results are in `IoFrame` from byte 1, three bytes each, MSB first.
  bool PollAdcStream(int& count);
  /// C4 03 01.
  bool StopAdcStream();
  /// C4 01 A0 05 03: one conversion result, kept as the last ADC reading.
  bool ReadAdcResult();
  /// C4 01 A0 06 02: one word, kept as the last word reading.
  bool ReadAdcWord();
  /// Sets bit 0 of the register holding the `TS` field.
  bool SetTsBit0();
  /// One-shot ADC value: two 24-bit results read from `resultAddress`.
  bool ReadOneShotAdc(uint16_t resultAddress, uint32_t& first, uint32_t& second);

  /// Result `j` of the last stream poll, MSB first, as a 24-bit code.
  uint32_t StreamResult(int j) const;

  std::array<uint8_t, kAdcRegisters>& AdcRegShadow() { return adcRegShadow_; }
  const std::array<uint8_t, 3>& LastAdcReading() const { return lastAdc_; }
  const std::array<uint8_t, 3>& LastWordReading() const { return lastWord_; }

 private:
  bool UsbExchange(size_t sendN, size_t readM);
  bool ReadUsb(uint16_t address, uint8_t count);
  bool WriteUsb(uint16_t address, uint8_t count);
  void RecordPreset(uint16_t address, uint8_t value);
  /// Status panel 2 says which register's write or read-back failed.
  std::string ReportWriteFailure(uint16_t address, bool readBack);
  static std::string WriteFailureText(uint16_t address, bool readBack);
  uint16_t FieldRegister(const char* key) const;

  TargetRecord& target_;
  IoFrame& frame_;
  UsbTransport& usb_;
  SerialBridgeLink& serial_;
  ParallelLink& parallel_;
  base::Clock& clock_;
  base::Host& host_;
  const TargetChip& chip_;
  base::Settings& settings_;
  std::array<uint8_t, kAdcRegisters> adcRegShadow_{};
  std::array<uint8_t, 3> lastAdc_{};
  std::array<uint8_t, 3> lastWord_{};
};

}  // namespace qx::link

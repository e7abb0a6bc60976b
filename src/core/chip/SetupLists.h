#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::chip {

/// Item texts of the setup dialog's lists and what their item indexes stand for.
struct SetupLists {
  /// Link kinds by `LinkKind` value.
  static constexpr std::array<const char*, 6> kLinkItems{"RS232",    "SPI",  "Special",
                                                         "Parallel", "UART", "QX740x"};
  /// The port lists offer COM1..COM16; the name table behind them also knows COM17.
  static constexpr int kComItemCount = 16;
  static constexpr int kComNameCount = 17;
  static constexpr std::array<int32_t, 10> kBaudRates{300,  600,   1200,  2400,  4800,
                                                      9600, 19200, 38400, 57600, 115200};
  static constexpr std::array<const char*, 3> kParityItems{"None", "Even", "Odd"};
  static constexpr std::array<const char*, 3> kLptItems{"LPT1 : 0x378", "LPT2 : 0x278",
                                                        "PRN1 : 0x3BC"};

  /// "COM1".."COM16", the items of every port list.
  static std::array<std::string, kComItemCount> ComItems();
  /// The baud rates as list items.
  static std::array<std::string, kBaudRates.size()> BaudItems();

  /// "COMn+1" for port list index 0..16; any other index keeps `previous`.
  static std::string ComName(int index, const std::string& previous);
  /// Baud rate of a `TXBaud` index; 0 outside the list.
  static int32_t BaudRateValue(int index);
  /// Line parity of a `TXParity` index: item 1 is even, item 2 odd, anything else none.
  static base::Parity GetParity(int index);
  /// "EVEN", "ODD" or "None", as the status line names the parity.
  static std::string GetParityText(int index);
  /// I/O base of a `CLPT` index: 0x278, 0x3BC, else 0x378.
  static uint16_t LptPortBase(int index);
};

}  // namespace qx::chip

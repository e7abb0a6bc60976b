#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "core/chip/ChipUiState.h"
#include "core/chip/FieldDescriptor.h"
#include "core/chip/TCRREGBitPtr.h"
#include "core/chip/TCRREGBytePtr.h"
#include "core/chip/TCRREGWordPtr.h"

namespace qx::chip {

inline constexpr int kAddressSpace = 1024;

/// First and last address of a register range or RAM bank.
struct AddressRange {
  uint16_t first = 0;
  uint16_t last = 0;
  bool operator==(const AddressRange&) const = default;
};

/// What the loaded chip description says about the chip. Descriptors are kept across loads.
struct ChipModel {
  /// Text name of the chip model, for example "7R402"; selects the link kind 2 frame layout.
  /// Set together with ProductName by the "#PRODUCT" section.
  std::string ModelName;

  std::string ProductName;  ///< prefix of the register view caption
  /// The last load read a chip description to its end; false while a load runs and after one
  /// that found no index or no file, whose optional commands stay hidden.
  bool Loaded = false;
  std::string CompilerName;  ///< for information only
  uint16_t ChipId = 0;
  uint16_t RomSize = 4096;  ///< program memory size
  AddressRange Reg0Range;
  AddressRange Reg1Range;
  std::array<AddressRange, 5> RamBank{};
  std::array<uint16_t, 4> BitPageCount{};  ///< bit registers of register pages 0..3
  uint16_t ByteRegisterCount = 0;
  uint16_t WordRegisterCount = 0;
  uint16_t Reg3ByteCount = 0;
  uint8_t StackDepth = 0;  ///< at least 4 once a chip declares it
  uint16_t SimIc = 0;
  bool HasAdc0 = false;
  bool HasOp0 = false;
  bool HasCmp0 = false;
  std::array<uint8_t, 8> PgaGain{1, 1, 1, 1, 1, 1, 1, 1};  ///< gain of each PGA setting
  std::array<uint8_t, 4> AdgnGain{1, 1, 1, 1};             ///< gain of each ADGN setting
  std::array<std::string, 4> OpVddaNames{};                ///< at most 8 characters each
  std::array<std::string, 4> CmpVddaNames{};               ///< at most 8 characters each
  /// 0 reads the plain description sections, 1 the "CN" ones.
  uint16_t DescriptionLanguage = 0;

  TCRREGBitPtr BitRegs;
  TCRREGBytePtr ByteRegs;
  TCRREGWordPtr WordRegs;

  /// Field descriptors of the analog blocks, keyed by their keyword ("PGA", "IRQEN", ...).
  std::map<std::string, FieldDescriptor> AdcFields;
  std::map<std::string, FieldDescriptor> OpFields;
  std::map<std::string, FieldDescriptor> CmpFields;
  /// Output registers of the ADC block: "ADCO" and "TSO".
  std::map<std::string, OutputDescriptor> AdcOutputs;

  /// Mask of implemented bits per data memory address; 0 = nothing there.
  std::array<uint8_t, kAddressSpace> ValidBits{};
  /// Value last read per address, for marking changed cells.
  std::array<uint8_t, kAddressSpace> LastValue{};
  /// The address differs from its last read value.
  std::array<bool, kAddressSpace> Changed{};

  /// What the last loads asked of the windows.
  ChipUiState Ui;

  /// Descriptor of an ADC field; an absent one reads as not present at address 0.
  FieldDescriptor& AdcField(const std::string& key) { return AdcFields[key]; }

  /// Implemented-bit mask of `address`; 0 outside the address space.
  uint8_t ValidAt(int address) const {
    return (address >= 0 && address < kAddressSpace) ? ValidBits[static_cast<size_t>(address)] : 0;
  }
};

}  // namespace qx::chip

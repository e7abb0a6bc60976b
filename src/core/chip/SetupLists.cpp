#include "core/chip/SetupLists.h"

namespace qx::chip {

std::array<std::string, SetupLists::kComItemCount> SetupLists::ComItems() {
  std::array<std::string, kComItemCount> items;
  for (int i = 0; i < kComItemCount; ++i) items[static_cast<size_t>(i)] = ComName(i, {});
  return items;
}

std::array<std::string, SetupLists::kBaudRates.size()> SetupLists::BaudItems() {
  std::array<std::string, kBaudRates.size()> items;
  for (size_t i = 0; i < kBaudRates.size(); ++i) items[i] = std::to_string(kBaudRates[i]);
  return items;
}

std::string SetupLists::ComName(int index, const std::string& previous) {
  if (index < 0 || index >= kComNameCount) return previous;
  return "COM" + std::to_string(index + 1);
}

int32_t SetupLists::BaudRateValue(int index) {
  if (index < 0 || index >= static_cast<int>(kBaudRates.size())) return 0;
  return kBaudRates[static_cast<size_t>(index)];
}

base::Parity SetupLists::GetParity(int index) {
  if (index == 1) return base::Parity::Even;
  if (index == 2) return base::Parity::Odd;
  return base::Parity::None;
}

std::string SetupLists::GetParityText(int index) {
  if (index == 1) return "EVEN";
  if (index == 2) return "ODD";
  return "None";
}

uint16_t SetupLists::LptPortBase(int index) {
  if (index == 1) return 0x278;
  if (index == 2) return 0x3BC;
  return 0x378;
}

}  // namespace qx::chip

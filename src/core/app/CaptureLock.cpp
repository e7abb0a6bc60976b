#include "core/app/CaptureLock.h"

#include <array>
#include <string_view>

namespace qx::app {

namespace {
constexpr std::array<std::string_view, 7> kBlocked{
    "Memu_File", "Menu_Option", "USBScan", "Menu_ReadRAM", "Menu_ReadAdc", "SLEEP1", "RestoreADC",
};
}  // namespace

bool CaptureLock::Blocks(const std::string& objectName) {
  for (std::string_view name : kBlocked)
    if (name == objectName) return true;
  return false;
}

std::string CaptureLock::Refusal(const std::string& caption) {
  return "\"" + caption + "\" waits until the ADC capture ends";
}

}  // namespace qx::app

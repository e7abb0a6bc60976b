#include "core/app/WindowTitles.h"

namespace qx::app {

std::vector<WindowTitle> WindowTitles::ForChip(const std::string& chipName) {
  return {
      {FormId::TQx_RAM, "記憶體 - " + chipName},
      {FormId::TQx_Reg2, "暫存器 - " + chipName},
      {FormId::TADCForm, "ADC - " + chipName},
      {FormId::TCMPForm, "Comparator - " + chipName},
      {FormId::TOPForm, "OP - " + chipName},
      {FormId::TAnxADC, "Analyse ADC - " + chipName},
      {FormId::TMainPanel, std::string(kMainCaption) + " ---- Now Chip is  " + chipName},
  };
}

}  // namespace qx::app

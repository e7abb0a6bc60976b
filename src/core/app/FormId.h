#pragma once

#include <array>

namespace qx::app {

/// The program's windows, in the order they are created at start-up.
enum class FormId : int {
  TMainPanel,
  TQx_BASE,
  TQx_UP,
  TOption,
  TQx_RAM,
  TQx_Reg2,
  TADCForm,
  TOPForm,
  TCMPForm,
  TQxPopSelHex,
  TAnxADC,
  TWeightCAL,
  TFLUKE,
  TFPower,
  TTMP,
  None,
};

inline constexpr int kFormCount = static_cast<int>(FormId::None);

/// A window's class name (also its object name) and its entry in the child placement table
/// (1..13; 0 for windows that are not shown as MDI children).
struct FormInfo {
  FormId Id;
  const char* Name;
  int PlacementIndex;
};

inline constexpr std::array<FormInfo, kFormCount> kFormsInCreationOrder{{
    {FormId::TMainPanel, "TMainPanel", 0},
    {FormId::TQx_BASE, "TQx_BASE", 0},
    {FormId::TQx_UP, "TQx_UP", 0},
    {FormId::TOption, "TOption", 6},
    {FormId::TQx_RAM, "TQx_RAM", 1},
    {FormId::TQx_Reg2, "TQx_Reg2", 2},
    {FormId::TADCForm, "TADCForm", 3},
    {FormId::TOPForm, "TOPForm", 4},
    {FormId::TCMPForm, "TCMPForm", 5},
    {FormId::TQxPopSelHex, "TQxPopSelHex", 0},
    {FormId::TAnxADC, "TAnxADC", 7},
    {FormId::TWeightCAL, "TWeightCAL", 13},
    {FormId::TFLUKE, "TFLUKE", 9},
    {FormId::TFPower, "TFPower", 11},
    {FormId::TTMP, "TTMP", 8},
}};

/// The children hidden at start-up activation and again when the main window closes, in order.
inline constexpr std::array<FormId, 11> kChildHideOrder{
    FormId::TOPForm,  FormId::TADCForm, FormId::TCMPForm, FormId::TQx_RAM,
    FormId::TQx_Reg2, FormId::TOption,  FormId::TAnxADC,  FormId::TWeightCAL,
    FormId::TFLUKE,   FormId::TFPower,  FormId::TTMP,
};

constexpr const FormInfo& InfoOf(FormId id) {
  return kFormsInCreationOrder[static_cast<size_t>(id)];
}

}  // namespace qx::app

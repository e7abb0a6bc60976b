#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/app/FormId.h"

namespace qx::app {

/// One drop-down menu of the main menu bar.
struct MenuHeading {
  const char* ObjectName;
  const char* Caption;
};

/// One command of the main menu.
struct MenuItem {
  const char* Parent;  ///< object name of its drop-down menu; null on the menu bar itself
  const char* ObjectName;
  const char* Caption;
  bool Visible;      ///< visibility as shipped; the chip description may change it
  FormId Window;     ///< window the command opens or works on; None when it needs none
  bool OpensWindow;  ///< the command is ShowChild(Window, its placement index, true)
};

/// The main menu as data: captions, object names, shipped visibility and the window behind every
/// command. A front end builds its menu bar from it in this order and keeps the visibility that
/// the chip description sets here.
class MainMenu {
 public:
  static constexpr std::array<MenuHeading, 2> kMenus{{
      {"Memu_File", "File"},
      {"Menu_Option", "Option"},
  }};

  static constexpr std::array<MenuItem, 22> kItems{{
      {"Memu_File", "SaveFluke1", "Save Fluke", true, FormId::TFLUKE, false},
      {"Memu_File", "SaveReg1", "Save Reg", true, FormId::TTMP, false},
      {"Memu_File", "SavePower1", "Save Power", true, FormId::TFPower, false},
      {"Memu_File", "DownLoadFluke1", "DownLoad Fluke", true, FormId::TFLUKE, false},
      {"Memu_File", "DownloadReg1", "Download Reg", true, FormId::TTMP, false},
      {"Memu_File", "DownloadPower1", "Download Power", true, FormId::TFPower, false},
      {"Menu_Option", "SMenu_Option", "Setup", true, FormId::TOption, false},
      {"Menu_Option", "SMenu_RAM", "RAM Panel", true, FormId::TQx_RAM, true},
      {"Menu_Option", "SMenu_REG", "REG Panel", true, FormId::TQx_Reg2, true},
      {"Menu_Option", "SMenu_ADC", "ADC Panel", true, FormId::TADCForm, true},
      {"Menu_Option", "SMenu_OP", "OP Panel", false, FormId::TOPForm, true},
      {"Menu_Option", "SMenu_CMP", "CMP Panel", false, FormId::TCMPForm, true},
      {nullptr, "USBScan", "USB Scan", true, FormId::TQx_UP, false},
      {nullptr, "Menu_ReadRAM", "Read RAM", true, FormId::TQx_RAM, false},
      {nullptr, "Menu_ReadAdc", "ENOB Test", true, FormId::TAnxADC, true},
      // The noise table runs the analysis window's capture; its window is not a placement child.
      {nullptr, "Menu_NoiseSweep", "Noise Sweep", true, FormId::TAnxADC, false},
      {nullptr, "SLEEP1", "SLEEP", false, FormId::TQx_RAM, false},
      {nullptr, "MCALW", "Switch Test", false, FormId::TWeightCAL, true},
      {nullptr, "RestoreADC", "Restore ADC", false, FormId::TAnxADC, false},
      {nullptr, "Regist", "連續讀取", true, FormId::TTMP, true},
      {nullptr, "Fluke1", "Fluke", true, FormId::TFLUKE, true},
      {nullptr, "Power1", "Power", true, FormId::TFPower, true},
  }};

  MainMenu();

  static const MenuItem* Find(const std::string& objectName);
  static const char* MenuCaption(const std::string& objectName);

  bool IsVisible(const std::string& objectName) const;
  /// False for an unknown name.
  bool SetVisible(const std::string& objectName, bool visible);
  /// Keeps an item shown whatever the chip description says (engineering switches of the
  /// command line). False for an unknown name.
  bool Reveal(const std::string& objectName);

  /// What the user reads when a chip description hides optional commands: "ENOB Test, Fluke
  /// hidden: the chip description of 7T404 has no #ENOB, #FLUKE line", or "... hidden: no chip
  /// description is loaded" when `productName` is empty. Empty when nothing is hidden.
  /// `shown` tells whether a command or menu (by object name) is shown now.
  static std::string HiddenNotice(const std::function<bool(const std::string&)>& shown,
                                  const std::string& productName);

  /// "USB Scan" connects only on the USB link kinds 1, 2, 4 and 5.
  static bool ScanApplies(uint16_t linkKind);

 private:
  std::map<std::string, bool> visible_;
  std::map<std::string, bool> revealed_;
};

}  // namespace qx::app

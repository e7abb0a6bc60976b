#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/base/Host.h"
#include "core/base/SerialPort.h"
#include "core/base/Settings.h"
#include "core/chip/ChipList.h"
#include "core/chip/ChipModel.h"
#include "core/chip/SetupBridgePorts.h"
#include "core/chip/SetupChipLoad.h"
#include "core/chip/TextSource.h"
#include "core/link/TargetRecord.h"

namespace qx::chip {

/// The setup dialog `TOption` without its widgets: the chip list, the link list, the bridge's
/// serial line and the parallel port base, and which of its controls are shown and usable.
/// The chip index, link kind and serial indexes live in the TargetRecord, the parallel port in
/// the Settings; the lists `TXCOM`, `TXBaud` and `TXParity` show those values directly.
class SetupDialogModel {
 public:
  static constexpr char kCaption[] = "選項";
  static constexpr char kUartNotFound[] = "Uart  not  found";

  SetupDialogModel(link::TargetRecord& target, base::Settings& settings, ChipModel& chip,
                   base::Host& host, TextSource& files, base::SerialPortProvider& ports,
                   const std::string& programDir);

  /// Builds the chip list from the chip index file (or the built-in items), selects chip item 0,
  /// forgets the opened ports, and selects and disables the first parallel port.
  void FormCreate();

  const ChipList& Chips() const { return chips_; }
  /// Item `index` of the chip list; empty past its end.
  std::string ChipListEntry(uint16_t index) const;

  /// Selected items of `CbSeluP` and `SelLPT`; -1 when none.
  int ChipItem() const { return chipItem_; }
  int LinkItem() const { return linkItem_; }

  /// `CbSeluPChange`: the chosen chip becomes `ChipIndex` and its description is loaded.
  bool CbSeluPChange(int item);
  /// `SelLPTChange`: this program always talks to the QX740x bridge, whatever was chosen.
  void SelLPTChange(int item);
  /// `ChennalComChange`: shows the saved chip, link and line, forces the QX740x link and
  /// reloads the chip description; true when it loaded.
  bool ChennalComChange();
  /// `GetSELUP`: loads the description of chip `ChipIndex`.
  bool GetSELUP();

  /// `TXCOMChange`: applies the bridge serial line on COM(`item` + 1), opening the port the
  /// first time; reports the line or "Uart  not  found" in status panel 0.
  bool TXCOMChange(int item);
  bool TXBaudChange(int item);
  bool TXParityChange(int item);
  /// `CLPTChange`: stores the parallel port item and its base address.
  void CLPTChange(int item);
  /// The instrument port lists (`FlukeCOM`, `PowerCOM`, `ChamberCOM`) keep their item, and like
  /// the bridge's list they re-apply the bridge line on `TXCOM`.
  bool InstrumentComChange(const std::string& list, int item);
  int InstrumentComItem(const std::string& list) const;
  /// Shows a remembered port in an instrument list without touching the bridge's line; a name
  /// the lists do not offer is kept as it is.
  void RestoreInstrumentCom(const std::string& list, const std::string& portName);
  /// `BtCloseClick` (also when the dialog is hidden): a parallel link is initialised at the
  /// chosen base.
  void BtCloseClick();
  /// What the "Setup" command selects before showing the dialog: link item 5 and chip item
  /// `ChipIndex`.
  void PrepareForShow();

  std::string GetCOMString() const;
  const std::string& GetFlukeCOMString() const { return instruments_.at("FlukeCOM").name; }
  const std::string& GetPowerCOMString() const { return instruments_.at("PowerCOM").name; }
  const std::string& GetChamberCOMString() const { return instruments_.at("ChamberCOM").name; }

  /// Whether a control (by its object name) is shown and usable now.
  bool IsVisible(const std::string& control) const;
  bool IsEnabled(const std::string& control) const;
  bool PhotoChecked() const { return settings_.Photo; }
  void PhotoClick(bool checked) { settings_.Photo = checked; }
  /// Selected item of `CLPT`.
  int ClptItem() const { return settings_.CLPT; }
  const link::TargetRecord& Target() const { return target_; }

  uint32_t OpenedPortsMask() const { return ports_.OpenedMask(); }
  const LoadResult& LastLoad() const { return lastLoad_; }
  const std::string& ChipFolder() const { return load_.Folder(); }

  /// Initialises the parallel port at a base address; set where a parallel transport exists.
  std::function<void(uint16_t base)> initParallelPort;
  /// Runs after every handler so a front end can show the new state.
  std::function<void()> changed;

 private:
  struct InstrumentList {
    int item = -1;
    std::string name;  ///< an item outside the list keeps the name chosen before
  };
  void Changed() const {
    if (changed) changed();
  }

  link::TargetRecord& target_;
  base::Settings& settings_;
  ChipModel& chip_;
  base::Host& host_;
  TextSource& files_;
  SetupChipLoad load_;
  SetupBridgePorts ports_;
  ChipList chips_;
  LoadResult lastLoad_;
  int chipItem_ = -1;
  int linkItem_ = link::kLinkQx740x;
  bool clptEnabled_ = true;
  std::map<std::string, InstrumentList> instruments_{
      {"FlukeCOM", {}}, {"PowerCOM", {}}, {"ChamberCOM", {}}};
};

}  // namespace qx::chip

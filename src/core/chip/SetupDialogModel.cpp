#include "core/chip/SetupDialogModel.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/chip/ChipUiState.h"
#include "core/chip/SetupLists.h"

namespace qx::chip {

namespace {

// The bridge's serial line and the parallel port are fixed in this program: their lists stay
// on the form for the settings file, out of sight.
constexpr std::array<std::string_view, 9> kHiddenControls{
    "TXCOM", "TXBaud", "TXParity", "Label1", "Label3", "Label4", "CLPT", "Label5", "Photo"};
// Shown only when the chip description names the instrument.
constexpr std::array<std::string_view, 9> kInstrumentControls{
    "Label8",      "FlukeCOM", "FlukeSelect", "Label13",      "PowerCOM",
    "PowerSelect", "Label6",   "ChamberCOM",  "ChamberSelect"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

SetupDialogModel::SetupDialogModel(link::TargetRecord& target, base::Settings& settings,
                                   ChipModel& chip, base::Host& host, TextSource& files,
                                   base::SerialPortProvider& ports, const std::string& programDir)
    : target_(target),
      settings_(settings),
      chip_(chip),
      host_(host),
      files_(files),
      load_(chip, target, settings, host, files, SetupChipLoad::FolderOf(programDir)),
      ports_(ports) {}

void SetupDialogModel::FormCreate() {
  chips_ = ChipList::Read(files_, load_.Folder());
  if (!chips_.error.empty())
    host_.ShowError(JoinPath(load_.Folder(), kChipIndexFile) + ": " + chips_.error);
  for (const std::string& warning : chips_.warnings) host_.SetStatus(2, warning);
  chipItem_ = chips_.items.empty() ? -1 : 0;
  ports_.ClearMask();
  settings_.CLPT = 0;
  clptEnabled_ = false;
  Changed();
}

std::string SetupDialogModel::ChipListEntry(uint16_t index) const {
  return index < chips_.items.size() ? chips_.items[index] : std::string();
}

bool SetupDialogModel::GetSELUP() {
  lastLoad_ = load_.Load();
  if (lastLoad_.forceLinkKind) linkItem_ = *lastLoad_.forceLinkKind;
  Changed();
  return lastLoad_.Ok();
}

bool SetupDialogModel::CbSeluPChange(int item) {
  if (item < 0 || item > UINT16_MAX) return false;
  chipItem_ = item;
  target_.ChipIndex = static_cast<uint16_t>(item);
  return GetSELUP();
}

void SetupDialogModel::SelLPTChange(int item) {
  (void)item;
  target_.LinkKind = link::kLinkQx740x;
  linkItem_ = link::kLinkQx740x;
  Changed();
}

bool SetupDialogModel::ChennalComChange() {
  chipItem_ = target_.ChipIndex < chips_.items.size() ? target_.ChipIndex : -1;
  linkItem_ = target_.LinkKind;
  SelLPTChange(linkItem_);
  return GetSELUP();
}

std::string SetupDialogModel::GetCOMString() const {
  return SetupLists::ComName(target_.ComIndex, target_.ComName);
}

bool SetupDialogModel::TXCOMChange(int item) {
  target_.ComIndex = item;
  target_.ComName = GetCOMString();
  target_.Line.parity = SetupLists::GetParity(target_.ParityIndex);
  target_.Line.baudRate = SetupLists::BaudRateValue(target_.BaudIndex);
  target_.Line.stopBits = 0;
  target_.Line.byteSize = 8;

  // An item outside the port table names no new port: the line goes to the port in use.
  const bool named = item >= 0 && item < SetupLists::kComNameCount;
  const bool open = named ? ports_.Select(item, target_.ComName, target_) : bool(target_.ComPort);
  target_.ComOpen = open;
  if (!open) {
    host_.SetStatus(0, kUartNotFound);
    Changed();
    return false;
  }
  const std::string port = "RS232 " + target_.ComName;
  if (!target_.ComPort->Configure(target_.Line)) {
    host_.SetStatus(
        0, port + " : line settings not accepted, Baud = " + std::to_string(target_.Line.baudRate));
    Changed();
    return false;
  }
  host_.SetStatus(0, port + " , Baud = " + std::to_string(target_.Line.baudRate) +
                         ", Pariyt = " + SetupLists::GetParityText(target_.ParityIndex));
  Changed();
  return true;
}

bool SetupDialogModel::TXBaudChange(int item) {
  target_.BaudIndex = item;
  return TXCOMChange(target_.ComIndex);
}

bool SetupDialogModel::TXParityChange(int item) {
  target_.ParityIndex = item;
  return TXCOMChange(target_.ComIndex);
}

void SetupDialogModel::CLPTChange(int item) {
  settings_.CLPT = item;
  settings_.LptPortBase = SetupLists::LptPortBase(item);
  Changed();
}

bool SetupDialogModel::InstrumentComChange(const std::string& list, int item) {
  if (auto it = instruments_.find(list); it != instruments_.end()) {
    it->second.item = item;
    it->second.name = SetupLists::ComName(item, it->second.name);
  }
  return TXCOMChange(target_.ComIndex);
}

void SetupDialogModel::RestoreInstrumentCom(const std::string& list, const std::string& portName) {
  const auto it = instruments_.find(list);
  if (it == instruments_.end() || portName.empty()) return;
  const auto items = SetupLists::ComItems();
  const auto item = std::find(items.begin(), items.end(), portName);
  it->second.item = item == items.end() ? -1 : static_cast<int>(item - items.begin());
  it->second.name = portName;
  Changed();
}

int SetupDialogModel::InstrumentComItem(const std::string& list) const {
  const auto it = instruments_.find(list);
  return it == instruments_.end() ? -1 : it->second.item;
}

void SetupDialogModel::BtCloseClick() {
  if (target_.LinkKind == link::kLinkParallel && initParallelPort)
    initParallelPort(settings_.LptPortBase);
}

void SetupDialogModel::PrepareForShow() {
  linkItem_ = link::kLinkQx740x;
  chipItem_ = target_.ChipIndex < chips_.items.size() ? target_.ChipIndex : -1;
  Changed();
}

bool SetupDialogModel::IsVisible(const std::string& control) const {
  if (Contains(kHiddenControls, control)) return false;
  if (Contains(kInstrumentControls, control)) return chip_.Ui.Form(kSetupDialog).IsVisible(control);
  return true;
}

bool SetupDialogModel::IsEnabled(const std::string& control) const {
  if (control == "SelLPT") return false;
  if (control == "CLPT") return clptEnabled_ && settings_.SerialListsEnabled;
  if (control == "TXCOM" || control == "TXBaud" || control == "TXParity")
    return settings_.SerialListsEnabled;
  if (control == "Photo") {
    const auto& enabled = chip_.Ui.Form(kSetupDialog).enabled;
    const auto it = enabled.find(control);
    return it == enabled.end() || it->second;
  }
  return true;
}

}  // namespace qx::chip

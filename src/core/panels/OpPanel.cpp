#include "core/panels/OpPanel.h"

#include <array>

#include "core/panels/OpTexts.h"
#include "core/panels/SwitchDisplay.h"

namespace qx::panels {

namespace {

constexpr std::array<Switch, 3> kSwitches{
    {{"PENOP", "ENOP", "ENOP"}, {"POP0IS", "OP0IS", "OP0IS"}, {"PENVDDA", "ENVDDA", "VDDA"}}};

constexpr std::array<const char*, 6> kUpdateOrder{"OP0P", "OP0N",  "ENOP",
                                                  "OP0M", "OP0IS", "ENVDDA"};

SelectorLayout Positive() {
  return {"OP0P", "OP0P", 4, "LAP", false, "ImAP", "TXOP0P", true, {"AP0", "AP1", "AP2", "AP3"}};
}

SelectorLayout Negative() {
  return {"OP0N",   "OP0N", 8,
          "LAI",    false,  "ImAI",
          "TXOP0N", true,   {"AI0", "AI1", "AI2", "AI3", "AI4", "AI5", "AI6", "AI7"}};
}

}  // namespace

OpPanel::OpPanel(PanelContext bench)
    : bench_(bench),
      fields_(bench.access, bench.chip.OpFields),
      positive_(Positive()),
      negative_(Negative()) {}

void OpPanel::FormCreate() {
  ApplyChip();
  for (const char* key : {"OP0P", "OP0N", "ENOP", "OP0M", "OP0IS", "ENVDDA", "VDDAX"}) {
    fields_.SetValue(key, 0);
  }
  for (const char* key : kUpdateOrder) ShowField(key);
}

void OpPanel::ApplyChip() {
  const chip::FormState& ui = bench_.chip.Ui.Form(chip::kOpPanel);
  positive_.Build(state_, ui, fields_);
  negative_.Build(state_, ui, fields_);
  for (const Switch& s : kSwitches) {
    state_.text[s.control] = s.caption;
    state_.enabled[s.control] = fields_.Usable(s.key) && Lookup(ui.enabled, s.control, true);
  }
  state_.list["TXOP0M"] = CodeItems(2);
  state_.enabled["TXOP0M"] = fields_.Usable("OP0M");
  state_.list["TXVDDA"] = CodeItems(2);
  state_.enabled["TXVDDA"] = fields_.Usable("VDDAX");
  for (const char* pair : {"OP0ISon", "OP0ISoff"}) state_.enabled[pair] = fields_.Usable("OP0IS");
  state_.list["Popup10"] = {"1", "0"};
}

void OpPanel::ShowField(const std::string& key) {
  const int value = fields_.Value(key);
  if (key == "OP0P") {
    positive_.Show(state_, value);
  } else if (key == "OP0N") {
    negative_.Show(state_, value);
  } else if (key == "ENOP") {
    ShowSwitch(state_, "PENOP", value);
    state_.text["TXENOPS"] = OpTexts::OnOff(value);
  } else if (key == "OP0M") {
    if (const auto text = OpTexts::ModeText(value)) {
      state_.text["TXOP0MS"] = *text;
      state_.item["TXOP0M"] = value;
    }
  } else if (key == "OP0IS") {
    ShowSwitch(state_, "POP0IS", value);
    ShowPair(state_, "OP0ISoff", "OP0ISon", value);
  } else if (key == "ENVDDA") {
    const int level = fields_.Value("VDDAX");
    ShowSwitch(state_, "PENVDDA", value);
    state_.text["TXVDDAS"] = OpTexts::VddaText(value, level, bench_.chip.OpVddaNames);
    state_.item["TXVDDA"] = level & 3;
  }
}

void OpPanel::DataUpdate() {
  for (const char* key : kUpdateOrder) {
    fields_.Refresh(key);
    if (std::string(key) == "ENVDDA") fields_.Refresh("VDDAX");
    ShowField(key);
  }
}

bool OpPanel::ListChanged(const std::string& control, int index) {
  std::string key;
  int value = index;
  if (control == positive_.Layout().list) {
    key = "OP0P";
    value = positive_.ListValue(state_, index);
  } else if (control == negative_.Layout().list) {
    key = "OP0N";
    value = negative_.ListValue(state_, index);
  } else if (control == "TXOP0M") {
    key = "OP0M";
  } else if (control == "TXVDDA") {
    key = "VDDAX";
  } else {
    return false;
  }
  // A refused level is shown again through ENVDDA, whose display also redraws the VDDA list.
  fields_.Choose(
      key, value, [this] { DataUpdate(); },
      [this, &key] { ShowField(key == "VDDAX" ? "ENVDDA" : key); });
  return true;
}

bool OpPanel::Click(const std::string& control) {
  if (const auto k = positive_.OptionOf(control)) {
    if (positive_.Available(state_, *k) && fields_.Write("OP0P", *k)) DataUpdate();
    return true;
  }
  if (const auto k = negative_.OptionOf(control)) {
    if (negative_.Available(state_, *k) && fields_.Write("OP0N", *k)) DataUpdate();
    return true;
  }
  if (control == "OP0ISon" || control == "OP0ISoff") {
    fields_.Write("OP0IS", fields_.Value("OP0IS") == 0 ? 1 : 0);
    DataUpdate();
    return true;
  }
  if (const Switch* s = FindSwitch(kSwitches, control)) {
    remembered_ = s->key;
    SetRemembered(fields_.Value(s->key) == 1 ? 0 : 1);
    return true;
  }
  return false;
}

bool OpPanel::PopUp(const std::string& control) {
  const Switch* s = FindSwitch(kSwitches, control);
  if (!s) return false;
  remembered_ = s->key;
  return true;
}

void OpPanel::SetRemembered(int value) {
  if (remembered_.empty()) return;
  fields_.Write(remembered_, value);
  DataUpdate();
}

}  // namespace qx::panels

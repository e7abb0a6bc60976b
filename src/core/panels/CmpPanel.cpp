#include "core/panels/CmpPanel.h"

#include <algorithm>
#include <array>

#include "core/panels/OpTexts.h"
#include "core/panels/SwitchDisplay.h"

namespace qx::panels {

namespace {

// Switch panels in the order of their popup handling.
constexpr std::array<Switch, 15> kSwitches{{{"PENCPA", "ENCPA", "ENCPA"},
                                            {"PCIST", "CPIST", "CIST"},
                                            {"PCPOEG", "CPOIES", "CPOEG"},
                                            {"PCPOX", "CPOX", "CPOX"},
                                            {"PCPOFR", "CPOFR", "CPOFR"},
                                            {"PCS1", "CS1", "CS1"},
                                            {"PCS2", "CS2", "CS2"},
                                            {"PCAPAT", "CAPAT", "CAPAT"},
                                            {"PCPIX", "CPIX", "CPIX"},
                                            {"PPMX", "PTMX", "PM1.7"},
                                            {"PTCX", "TRISCX", "TC1.7"},
                                            {"PDAX", "PTDAX", "DA1.7"},
                                            {"PENVDDA", "ENVDDA", "VDDA"},
                                            {"PREFO", "ENREF", "REFO"},
                                            {"PCPOIF", "CPOIF", "CPOIF"}}};

// Buttons and images that stand for one value of a 1-bit field; a click inverts the field.
struct Toggle {
  const char* control;
  const char* key;
  int shownAt;  ///< the field value at which the control is visible
};

constexpr std::array<Toggle, 14> kToggles{{{"CPISoff", "CPIST", 0},
                                           {"CPISon", "CPIST", 1},
                                           {"CPOraising", "CPOIES", 0},
                                           {"CPOfalling", "CPOIES", 1},
                                           {"CPOFRup", "CPOFR", 0},
                                           {"CPOFRdown", "CPOFR", 1},
                                           {"CS1up", "CS1", 0},
                                           {"CS1down", "CS1", 1},
                                           {"CS2up", "CS2", 0},
                                           {"CS2down", "CS2", 1},
                                           {"CPIXup", "CPIX", 0},
                                           {"CPIX1up", "CPIX", 0},
                                           {"CPIXdown", "CPIX", 1},
                                           {"CPIX1down", "CPIX", 1}}};

constexpr std::array<const char*, 19> kUpdateOrder{
    "CPIH",  "CPIL",  "ENCPA", "CPIST", "CPOIES", "CPOX",  "CPOFR", "CS1",    "CS2",  "CAPAT",
    "CPVCS", "CPVRS", "CPIX",  "PTMX",  "TRISCX", "PTDAX", "CPOIF", "ENVDDA", "ENREF"};

std::vector<std::string> Captions(int count, const std::string& prefix) {
  std::vector<std::string> out;
  for (int k = 0; k < count; ++k) out.push_back(prefix + std::to_string(k));
  return out;
}

std::vector<SelectorLayout> Layouts() {
  std::vector<std::string> sources, thresholds;
  for (int k = 0; k < 4; ++k) sources.push_back(OpTexts::SourceCaption(k));
  for (int k = 0; k < 16; ++k) thresholds.push_back(OpTexts::ThresholdCaption(k));
  return {
      {"CPIH", "CPIH", 4, "LCPIH", false, "", "TXCPIH", true, Captions(4, "CPIH")},
      {"CPIL", "CPIL", 8, "LCPIL", false, "", "TXCPIL", true, Captions(8, "CPIL")},
      {"CPVCS", "CPVCS", 4, "LCPVCS", true, "", "TXCPVCS", false, sources},
      {"CPVRS", "CPVRS", 16, "LCPVRS", true, "", "TXCPVRS", false, thresholds},
  };
}

}  // namespace

CmpPanel::CmpPanel(PanelContext bench)
    : bench_(bench), fields_(bench.access, bench.chip.CmpFields) {
  for (SelectorLayout& layout : Layouts()) selectors_.emplace_back(std::move(layout));
}

void CmpPanel::FormCreate() {
  ApplyChip();
  for (const char* key : kUpdateOrder) fields_.SetValue(key, 0);
  fields_.SetValue("VDDAX", 0);
  for (const char* key : kUpdateOrder) ShowField(key);
  state_.text["LCMPONOFF"] = "OFF";
}

void CmpPanel::ApplyChip() {
  const chip::FormState& ui = bench_.chip.Ui.Form(chip::kCmpPanel);
  for (const SelectorGroup& s : selectors_) s.Build(state_, ui, fields_);
  for (const Switch& s : kSwitches) {
    state_.text[s.control] = Lookup(ui.captions, s.control, std::string(s.caption));
    state_.enabled[s.control] = fields_.Usable(s.key) && std::string(s.key) != "CPOIF";
  }
  for (const Toggle& t : kToggles) state_.enabled[t.control] = fields_.Usable(t.key);
  state_.list["TXVDDA"] = CodeItems(2);
  state_.enabled["TXVDDA"] = fields_.Usable("VDDAX");
  state_.list["Popup10"] = {"1", "0"};

  // The loader asks for the output flag's panel to be shown at a fixed setting once.
  auto& requests = bench_.chip.Ui.switchRequests;
  for (const chip::PanelSwitchRequest& r : requests) {
    if (r.form == chip::kCmpPanel) ShowSwitch(state_, r.control, r.setting);
  }
  requests.erase(
      std::remove_if(requests.begin(), requests.end(),
                     [](const chip::PanelSwitchRequest& r) { return r.form == chip::kCmpPanel; }),
      requests.end());
}

SelectorGroup* CmpPanel::SelectorOfList(const std::string& control) {
  for (SelectorGroup& s : selectors_) {
    if (s.Layout().list == control) return &s;
  }
  return nullptr;
}

void CmpPanel::ShowField(const std::string& key) {
  const int value = fields_.Value(key);
  for (const SelectorGroup& s : selectors_) {
    if (s.Layout().field == key) {
      s.Show(state_, value);
      return;
    }
  }
  for (const Switch& s : kSwitches) {
    if (key == s.key) ShowSwitch(state_, s.control, value);
  }
  for (const Toggle& t : kToggles) {
    if (key == t.key) state_.visible[t.control] = (value != 0 ? 1 : 0) == t.shownAt;
  }
  if (key == "ENVDDA") {
    const int level = fields_.Value("VDDAX");
    const std::string text = OpTexts::VddaText(value, level, bench_.chip.CmpVddaNames);
    state_.text["TXVDDAS"] = text;
    state_.text["TXVDDAS1"] = text;
    state_.item["TXVDDA"] = level & 3;
  }
}

void CmpPanel::ShowSummary() {
  const bool on = fields_.Value("ENCPA") == 1 && fields_.Value("PTMX") == 1 &&
                  fields_.Value("TRISCX") == 1 && fields_.Value("PTDAX") == 1;
  state_.text["LCMPONOFF"] = on ? "ON" : "OFF";
}

void CmpPanel::DataUpdate() {
  for (const char* key : kUpdateOrder) {
    fields_.Refresh(key);
    if (std::string(key) == "ENVDDA") fields_.Refresh("VDDAX");
    ShowField(key);
  }
  ShowSummary();
}

bool CmpPanel::ListChanged(const std::string& control, int index) {
  std::string key;
  int value = index;
  if (SelectorGroup* s = SelectorOfList(control)) {
    key = s->Layout().field;
    value = s->ListValue(state_, index);
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

bool CmpPanel::Click(const std::string& control) {
  for (const SelectorGroup& s : selectors_) {
    if (const auto k = s.OptionOf(control)) {
      if (s.Available(state_, *k) && fields_.Write(s.Layout().field, *k)) DataUpdate();
      return true;
    }
  }
  for (const Toggle& t : kToggles) {
    if (control == t.control) {
      fields_.Write(t.key, fields_.Value(t.key) == 0 ? 1 : 0);
      DataUpdate();
      return true;
    }
  }
  const Switch* s = FindSwitch(kSwitches, control);
  if (!s) return false;
  // The output flag is only shown; the comparator sets it.
  if (std::string(s->key) == "CPOIF") return true;
  remembered_ = s->key;
  SetRemembered(fields_.Value(s->key) == 1 ? 0 : 1);
  return true;
}

bool CmpPanel::PopUp(const std::string& control) {
  const Switch* s = FindSwitch(kSwitches, control);
  if (!s || std::string(s->key) == "CPOIF") return false;
  remembered_ = s->key;
  return true;
}

void CmpPanel::SetRemembered(int value) {
  if (remembered_.empty()) return;
  fields_.Write(remembered_, value);
  DataUpdate();
}

}  // namespace qx::panels

#include "core/panels/SelectorGroup.h"

#include "core/panels/SwitchDisplay.h"

namespace qx::panels {

namespace {
int Digits(int options) {
  int digits = 0;
  while ((1 << digits) < options) ++digits;
  return digits;
}

}  // namespace

std::string SelectorGroup::Code(int k) const {
  const int digits = Digits(layout_.options);
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = 0; i < digits; ++i) {
    if (k & (1 << i)) s[static_cast<size_t>(digits - 1 - i)] = '1';
  }
  return s;
}

std::string SelectorGroup::Label(int k) const {
  return layout_.labelPrefix + (layout_.labelByCode ? Code(k) : std::to_string(k));
}

std::optional<int> SelectorGroup::OptionOf(const std::string& control) const {
  for (int k = 0; k < layout_.options; ++k) {
    const std::string button = layout_.prefix + Code(k);
    if (control == button + "on" || control == button + "off" || control == Label(k)) return k;
  }
  return std::nullopt;
}

int SelectorGroup::ListValue(const PanelState& state, int index) const {
  if (!layout_.listByText) return index;
  const std::vector<std::string> items = state.List(layout_.list);
  if (index < 0 || index >= static_cast<int>(items.size())) return 0;
  for (int k = 0; k < layout_.options; ++k) {
    if (items[static_cast<size_t>(index)] == Code(k)) return k;
  }
  return 0;
}

void SelectorGroup::Build(PanelState& state, const chip::FormState& ui,
                          const FieldAccess& fields) const {
  const bool usable = fields.Usable(layout_.field);
  const int max = fields.MaxValue(layout_.field);
  std::vector<std::string> fullList;
  for (int k = 0; k < layout_.options; ++k) {
    const std::string button = layout_.prefix + Code(k);
    const bool available = usable && k <= max;
    state.enabled[button + "on"] = available && Lookup(ui.enabled, button + "on", true);
    state.enabled[button + "off"] = available && Lookup(ui.enabled, button + "off", true);
    state.visible[Label(k)] = Lookup(ui.visible, Label(k), true);
    if (!layout_.image.empty()) {
      const std::string image = layout_.image + std::to_string(k);
      state.visible[image] = Lookup(ui.visible, image, true);
    }
    const std::string fallback = k < static_cast<int>(layout_.captions.size())
                                     ? layout_.captions[static_cast<size_t>(k)]
                                     : "";
    state.text[Label(k)] = Lookup(ui.captions, Label(k), fallback);
    fullList.push_back(Code(k));
  }
  state.list[layout_.list] =
      layout_.listByText ? Lookup(ui.lists, layout_.list, fullList) : std::move(fullList);
  state.enabled[layout_.list] = usable && Lookup(ui.enabled, layout_.list, true);
}

void SelectorGroup::Show(PanelState& state, int value) const {
  const int v = value >= 0 && value < layout_.options ? value : 0;
  for (int k = 0; k < layout_.options; ++k) {
    const std::string button = layout_.prefix + Code(k);
    state.visible[button + "on"] = k == v;
    state.visible[button + "off"] = k != v;
    state.look[Label(k)] = k == v ? Look::Dark : Look::Plain;
  }
  int selected = -1;
  const std::vector<std::string> items = state.List(layout_.list);
  if (layout_.listByText) {
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == Code(v)) selected = static_cast<int>(i);
    }
  } else if (v < static_cast<int>(items.size())) {
    selected = v;
  }
  state.item[layout_.list] = selected;
}

}  // namespace qx::panels

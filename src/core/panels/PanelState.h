#pragma once

#include <map>
#include <string>
#include <vector>

namespace qx::panels {

/// How a label or switch panel is drawn.
enum class Look {
  Plain,   ///< button face, black text
  Active,  ///< active-caption background, window-coloured text (a switch that is on)
  Dark,    ///< black background, window-coloured text (the selected input of a selector)
};

/// Everything a block panel shows, by control name, so a front end only copies it onto its
/// widgets and a test reads it without any window. A control missing from a map keeps the
/// front end's default: enabled, visible, plain, no text change, no list change.
struct PanelState {
  std::map<std::string, std::string> text;               ///< captions of labels, panels and buttons
  std::map<std::string, std::vector<std::string>> list;  ///< items of list controls
  std::map<std::string, int> item;                       ///< selected item; -1 selects none
  std::map<std::string, bool> enabled;
  std::map<std::string, bool> visible;
  std::map<std::string, Look> look;

  std::string Text(const std::string& name) const {
    auto it = text.find(name);
    return it == text.end() ? std::string() : it->second;
  }
  int Item(const std::string& name) const {
    auto it = item.find(name);
    return it == item.end() ? -1 : it->second;
  }
  std::vector<std::string> List(const std::string& name) const {
    auto it = list.find(name);
    return it == list.end() ? std::vector<std::string>() : it->second;
  }
  bool IsEnabled(const std::string& name) const {
    auto it = enabled.find(name);
    return it == enabled.end() || it->second;
  }
  bool IsVisible(const std::string& name) const {
    auto it = visible.find(name);
    return it == visible.end() || it->second;
  }
  Look LookOf(const std::string& name) const {
    auto it = look.find(name);
    return it == look.end() ? Look::Plain : it->second;
  }
  /// Text of the selected item of a list, empty when none is selected.
  std::string SelectedText(const std::string& name) const {
    const std::vector<std::string> items = List(name);
    const int i = Item(name);
    return i >= 0 && i < static_cast<int>(items.size()) ? items[static_cast<size_t>(i)]
                                                        : std::string();
  }
};

}  // namespace qx::panels

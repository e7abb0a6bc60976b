#pragma once

#include <map>
#include <string>
#include <vector>

namespace qx::chip {

/// What the chip loader asked of one window's controls, by control name. A control that the
/// loader never touched is absent; the window keeps its own default for it.
struct FormState {
  std::map<std::string, bool> visible;
  std::map<std::string, bool> enabled;
  std::map<std::string, bool> checked;
  std::map<std::string, std::string> captions;
  std::map<std::string, std::vector<std::string>> lists;  ///< option list items
  std::map<std::string, int> itemIndex;                   ///< selected item of a list

  bool IsVisible(const std::string& name) const {
    auto it = visible.find(name);
    return it != visible.end() && it->second;
  }
  bool IsEnabled(const std::string& name) const {
    auto it = enabled.find(name);
    return it != enabled.end() && it->second;
  }
  std::string Caption(const std::string& name) const {
    auto it = captions.find(name);
    return it == captions.end() ? std::string() : it->second;
  }
  std::vector<std::string> List(const std::string& name) const {
    auto it = lists.find(name);
    return it == lists.end() ? std::vector<std::string>() : it->second;
  }
};

}  // namespace qx::chip

#include "core/panels/SwitchDisplay.h"

namespace qx::panels {

std::vector<std::string> CodeItems(int bits) {
  std::vector<std::string> items;
  for (int k = 0; k < (1 << bits); ++k) {
    std::string s(static_cast<size_t>(bits), '0');
    for (int i = 0; i < bits; ++i) {
      if (k & (1 << i)) s[static_cast<size_t>(bits - 1 - i)] = '1';
    }
    items.push_back(s);
  }
  return items;
}

}  // namespace qx::panels

#pragma once

#include <string>
#include <vector>

#include "core/base/Host.h"

namespace qx::chip::test {

/// Host that counts the chip loader's notifications and keeps its error texts.
class RecordingHost : public base::Host {
 public:
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ChipLoaded() override { ++chipLoaded; }
  void MenuVisibilityChanged() override { ++menuChanged; }

  std::vector<std::string> errors;
  int chipLoaded = 0;
  int menuChanged = 0;
};

}  // namespace qx::chip::test

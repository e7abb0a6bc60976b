#pragma once

#include <cstdint>
#include <string>

namespace qx::widgets {

/// Window state codes of the placement file.
enum class WindowState : int { Normal = 0, Maximized = 1, Minimized = 2 };

/// Where one window was: matched to windows by Name.
struct Placement {
  std::string Name;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  WindowState State = WindowState::Normal;
  bool Visible = false;

  bool operator==(const Placement&) const = default;
};

}  // namespace qx::widgets

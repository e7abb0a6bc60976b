#pragma once

#include <cstdint>

namespace qx::views {

/// Colours as 0xRRGGBB. kButtonFace stands for the desktop's button colour, which only the front
/// end knows.
namespace colour {
inline constexpr uint32_t kBlack = 0x000000;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlue = 0x0000FF;
inline constexpr uint32_t kSilver = 0xC0C0C0;
inline constexpr uint32_t kGray = 0x808080;
inline constexpr uint32_t kYellow = 0xFFFF00;
inline constexpr uint32_t kGreen = 0x008000;
inline constexpr uint32_t kRed = 0xFF0000;
inline constexpr uint32_t kButtonFace = 0xFF000000;
/// The frame round the selected grid cell. The cell keeps its own colours inside it, so a
/// changed (blue) cell still reads as changed when selected.
inline constexpr uint32_t kSelectionFrame = 0xFF8C00;

/// A colour number as the RAM files store it (0x00BBGGRR) to 0xRRGGBB.
constexpr uint32_t FromFileColour(uint32_t bgr) {
  return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}
/// 0xRRGGBB to the RAM files' colour number.
constexpr uint32_t ToFileColour(uint32_t rgb) {
  return FromFileColour(rgb);
}
}  // namespace colour

/// How one grid cell or panel is drawn.
struct CellLook {
  uint32_t background = colour::kWhite;
  uint32_t text = colour::kBlack;
  bool underline = false;
  bool operator==(const CellLook&) const = default;
};

/// A tool bar button of the views: the selected one is raised and coloured.
struct ButtonLook {
  bool raised = false;
  uint32_t colour = colour::kButtonFace;
  bool operator==(const ButtonLook&) const = default;
};

}  // namespace qx::views

#pragma once

namespace qx::views {

/// The three grids of the register view.
enum class RegGrid { Bit, Byte, Word };

/// Grid names of the register view's form, as the chip loader records them.
constexpr const char* GridName(RegGrid g) {
  return g == RegGrid::Bit ? "SREG" : g == RegGrid::Byte ? "SByteReg" : "SWordReg";
}

}  // namespace qx::views

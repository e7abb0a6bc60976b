#include "core/analysis/SampleCells.h"

#include <cmath>

#include "core/analysis/NoiseMath.h"

namespace qx::analysis {

std::string SampleCells::Text(int i) const {
  const Cell c = At(i);
  switch (c.kind) {
    case Kind::Blank:
      return {};
    case Kind::Integer:
      return std::to_string(static_cast<int64_t>(c.value));
    case Kind::Fixed:
      return FixedText(c.value);
  }
  return {};
}

size_t SampleCells::WidestText(int count) const {
  count = std::clamp(count, 0, Capacity());
  bool any = false;
  bool fixed = false;
  double lo = 0;
  double hi = 0;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    if (kinds_[i] == Kind::Blank) continue;
    const double v = values_[i];
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    fixed = fixed || kinds_[i] == Kind::Fixed;
    any = true;
  }
  if (!any) return 0;
  // The extremes have the most digits; a fixed cell anywhere puts its decimals on them.
  const auto length = [fixed](double v) {
    return fixed ? FixedText(v).size() : std::to_string(static_cast<int64_t>(v)).size();
  };
  return std::max(length(lo), length(hi));
}

double SampleCells::Number(int i) const {
  const Cell c = At(i);
  if (c.kind == Kind::Fixed) return std::round(c.value * 100.0) / 100.0;
  return c.value;
}

}  // namespace qx::analysis

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

double SampleCells::Number(int i) const {
  const Cell c = At(i);
  if (c.kind == Kind::Fixed) return std::round(c.value * 100.0) / 100.0;
  return c.value;
}

}  // namespace qx::analysis

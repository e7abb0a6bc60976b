#include "sim/SimMeter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qx::sim {

void SimMeter::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  for (const uint8_t b : in) {
    pending_.push_back(b);
    // Keep only the longest tail that could still grow into a request.
    while (!pending_.empty() &&
           !std::equal(pending_.begin(), pending_.end(), kRequest.begin(),
                       kRequest.begin() + static_cast<std::ptrdiff_t>(
                                              std::min(pending_.size(), kRequest.size())))) {
      pending_.erase(pending_.begin());
    }
    if (pending_.size() == kRequest.size()) {
      pending_.clear();
      ++requests_;
      const auto frame = Frame();
      out.insert(out.end(), frame.begin(), frame.end());
    }
  }
}

std::array<uint8_t, SimMeter::kFrameLength> SimMeter::Frame() const {
  std::array<uint8_t, kFrameLength> f{};
  f.fill(' ');
  f[0] = kDle;
  f[1] = kStx;
  f[2] = 0;
  f[3] = 0;
  f[4] = flagA_;
  f[5] = flagB_;
  f[20] = kDle;
  f[21] = kEtx;

  const double value = Value();
  // Seven characters "d.ddddd" and one exponent digit: 6 significant digits, up to 9.99999E+9.
  // to_chars, not printf: a GUI process may run with a decimal-comma locale.
  std::array<char, 32> mantissa{};
  const double magnitude = std::abs(value);
  const auto printed =
      std::to_chars(mantissa.data(), mantissa.data() + mantissa.size(),
                    std::isfinite(magnitude) ? magnitude : 0.0, std::chars_format::scientific, 5);
  const char* e = std::find(mantissa.data(), printed.ptr, 'e');
  int exponent = 0;
  if (e != printed.ptr) std::from_chars(e + (e[1] == '+' ? 2 : 1), printed.ptr, exponent);
  const bool zero = value == 0 || exponent < -9;
  if (overload_ || !std::isfinite(value) || exponent > 9) {
    const char ol[] = "OL     ";
    std::copy(ol, ol + 7, f.begin() + 9);
    f[17] = '+';
    f[18] = '0';
    return f;
  }
  f[8] = !zero && value < 0 ? '-' : ' ';
  if (zero) {
    const char z[] = "0.00000";
    std::copy(z, z + 7, f.begin() + 9);
  } else {
    std::copy_n(mantissa.data(), 7, f.begin() + 9);
  }
  f[17] = !zero && exponent < 0 ? '-' : '+';
  f[18] = static_cast<uint8_t>('0' + (zero ? 0 : std::abs(exponent)));
  return f;
}

}  // namespace qx::sim

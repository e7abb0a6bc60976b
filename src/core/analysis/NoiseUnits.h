#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qx::analysis {

/// Units a noise figure can be shown in. The figures are computed in display codes; the others
/// refer them to the input through the reference voltage and the analog gain.
enum class NoiseUnit { Codes, Nanovolts, Microvolts, PpmFullScale };

/// In the order the unit list offers them.
inline constexpr std::array<NoiseUnit, 4> kNoiseUnits{
    NoiseUnit::Codes, NoiseUnit::Nanovolts, NoiseUnit::Microvolts, NoiseUnit::PpmFullScale};

/// The unit as shown on screen (UTF-8): "codes", "nV", "µV", "ppm FS".
const char* NoiseUnitName(NoiseUnit unit);
/// The unit as typed on a command line: "codes", "nV", "uV", "ppm".
const char* NoiseUnitKey(NoiseUnit unit);
/// The unit of a command-line key or a screen name; nothing for any other text.
std::optional<NoiseUnit> NoiseUnitFrom(std::string_view text);

/// A noise figure in display codes at `bits` of resolution, in `unit`:
///   nV     = codes x Vref x 1e9 / (2^(bits-1) x gain), the nanovolt figures' own denominator
///   µV     = nV / 1000
///   ppm FS = codes x 1e6 / 2^bits, of the full-scale range 2 x Vref / gain
/// Bits of 0 count as 1, as for the nanovolt figures.
double ConvertNoise(double codes, NoiseUnit unit, int bits, double referenceVolts, double gain);

/// The figure with its unit beside it: codes with two decimals ("10.25 codes"), the others with
/// four significant digits and at most six decimals ("572.2 nV", "0.5722 µV", "0.06821 ppm FS").
/// A figure that is no finite number shows as "n/a" with its unit.
std::string FormatNoise(double value, NoiseUnit unit);

}  // namespace qx::analysis

#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qx::analysis {

/// Reference voltage used when the text is 0 or no number.
inline constexpr double kFallbackReferenceVolts = 1.2;

/// The reference voltage text in volts; text that is not a positive number gives 1.2 (a
/// negative voltage would turn every nanovolt figure negative).
double ReferenceVolts(const std::string& text);
/// The voltage of a reference text that is a positive finite number, else nothing.
std::optional<double> PositiveReferenceVolts(const std::string& text);
/// What the window says about a reference text that is not a positive number; empty for one
/// that is.
std::string ReferenceNotice(const std::string& text);
/// Window length of the average chart: the integer text, 1 when it is not above 0.
int WindowLength(const std::string& text);
/// Averaging factor of list item `index` ("1" .. "32"); 1 when no item is chosen.
int AveragingFactor(int index);
/// Code divisor D of scale item `index` (8 .. 23 bits): 2^(15 - index).
int CodeDivisor(int index);

/// Full-scale denominator of the nanovolt figures: 2^(bits-1) x gain, or 2^25 for temperature.
double FullScale(int bits, double gain, bool temperature);
/// `bits` - log2(`spread`) when `sigma` > 0, else `bits`.
double BitsAbove(int bits, double spread, double sigma);
/// |round(max / D) - round(min / D)| with ties to even, at least 1; the extremes are scaled by
/// 256 first under temperature scaling.
int64_t PeakToPeakCodes(double minimum, double maximum, int divisor, bool temperature);
/// Largest power of two not above `n` (0 for n < 1).
int LargestPowerOfTwo(int n);
/// Chart value of a working value or window sum: a 24-bit pattern above 0x7FFFFF reads as
/// negative; then divided by D with the magnitude truncated.
int64_t ChartCode(double value, int divisor);

/// A panel value: fixed notation, two decimals.
std::string FixedText(double value);

}  // namespace qx::analysis

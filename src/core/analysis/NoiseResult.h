#pragma once

#include <array>

namespace qx::analysis {

/// The noise figures of one channel, in the order the temperature test copies them.
struct NoiseFigures {
  double mean = 0;           ///< display codes
  double vppNv = 0;          ///< peak-to-peak noise referred to the input, nanovolts
  double rmsNv = 0;          ///< RMS noise referred to the input, nanovolts
  double enob = 0;           ///< effective number of bits
  double vppCodes = 0;       ///< peak-to-peak noise, display codes
  double rmsCodes = 0;       ///< standard deviation, display codes
  double noiseFreeBits = 0;  ///< bits above the peak-to-peak noise
};

/// Written by every capture and re-averaging. Only the first group is ever filled; the second
/// belongs to a second channel that no capture measures, and stays zero.
struct NoiseResult {
  std::array<NoiseFigures, 2> groups{};
};

}  // namespace qx::analysis

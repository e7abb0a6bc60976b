#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx::sim {

/// Splits a text instrument's input into command lines: each ends at `terminator`, the `ignored`
/// character is dropped wherever it appears (the other half of a CR LF pair). A line longer than
/// `maxLength` is not kept; it comes out flagged once its terminator arrives, so the instrument
/// can refuse it without holding unbounded input.
class SimInstrumentLines {
 public:
  struct Line {
    std::string text;
    bool tooLong = false;
  };

  SimInstrumentLines(char terminator, char ignored, size_t maxLength = 256)
      : terminator_(terminator), ignored_(ignored), maxLength_(maxLength) {}

  /// Completed lines, in order; an unfinished line stays for the next call.
  std::vector<Line> Take(std::span<const uint8_t> in) {
    std::vector<Line> lines;
    for (const uint8_t b : in) {
      const char c = static_cast<char>(b);
      if (c == ignored_) continue;
      if (c == terminator_) {
        lines.push_back(Line{tooLong_ ? std::string() : partial_, tooLong_});
        partial_.clear();
        tooLong_ = false;
        continue;
      }
      if (tooLong_) continue;
      if (partial_.size() >= maxLength_) {
        partial_.clear();
        tooLong_ = true;
        continue;
      }
      partial_ += c;
    }
    return lines;
  }

 private:
  char terminator_;
  char ignored_;
  size_t maxLength_;
  std::string partial_;
  bool tooLong_ = false;
};

}  // namespace qx::sim

#include "core/autotest/StepFile.h"

#include <vector>

#include "core/base/FieldScanner.h"
#include "core/base/FixedWidth.h"
#include "core/base/TextLineReader.h"

namespace qx::autotest {

namespace {

void AppendLine(std::string& out, const std::vector<int64_t>& values) {
  std::string line;
  for (int64_t v : values) base::AppendField(line, v, StepFile::kFieldWidth);
  out += line;
  out += base::kCrLf;
}

/// Reads exactly `count` numbers in [min, max] and nothing else; false leaves `out` unusable.
bool ReadLine(std::string_view line, size_t count, int64_t min, int64_t max,
              std::vector<int64_t>& out) {
  base::FieldScanner scan(line);
  out.assign(count, 0);
  for (size_t i = 0; i < count; ++i) {
    if (!scan.ReadInt(out[i], min, max)) return false;
  }
  return scan.AtEnd();
}

}  // namespace

std::string StepFile::Text(const StepSettings& s) {
  std::string out;
  AppendLine(out, {s.stepLenIndex, s.loopIndex});
  std::vector<int64_t> boxes;
  for (bool on : s.enabled) boxes.push_back(on ? 1 : 0);
  AppendLine(out, boxes);
  AppendLine(out, {kChannelRegisterAddresses.begin(), kChannelRegisterAddresses.end()});
  for (const auto& channel : s.values) AppendLine(out, {channel.begin(), channel.end()});
  AppendLine(out, {s.currentStep});
  return out;
}

StepFileResult StepFile::Read(std::string_view text, StepSettings& s) {
  StepFileResult result;
  auto fail = [&result](int line, const char* why) {
    if (!result.complete) return;
    result.complete = false;
    result.badLine = line;
    result.message = std::string(kFileName) + " line " + std::to_string(line) + ": " + why;
  };
  base::TextLineReader reader(text);
  std::vector<int64_t> v;
  for (int lineNo = 1; lineNo <= kLines; ++lineNo) {
    std::string_view line;
    const auto r = reader.Next(line);
    if (r == base::TextLineReader::Result::End) {
      fail(lineNo, "missing");
      break;
    }
    if (r == base::TextLineReader::Result::TooLong) {
      fail(lineNo, "too long");
      continue;
    }
    bool ok = false;
    if (lineNo == 1) {
      // The two list indexes are checked against their own lists.
      ok = ReadLine(line, 2, 0, 255, v) && v[0] < static_cast<int64_t>(kStepLenItems.size()) &&
           v[1] < static_cast<int64_t>(kLoopItems.size());
      if (ok) {
        s.stepLenIndex = static_cast<int>(v[0]);
        s.loopIndex = static_cast<int>(v[1]);
      }
    } else if (lineNo == 2) {
      ok = ReadLine(line, kChannels, 0, 1, v);
      if (ok)
        for (size_t i = 0; i < kChannels; ++i) s.enabled[i] = v[i] != 0;
    } else if (lineNo == 3) {
      // The addresses are fixed; the line only has to be there.
      ok = ReadLine(line, kChannelRegisters, 0, 255, v);
    } else if (lineNo <= 11) {
      ok = ReadLine(line, kChannelRegisters, 0, 255, v);
      if (ok) {
        auto& values = s.values[static_cast<size_t>(lineNo - 4)];
        for (size_t i = 0; i < kChannelRegisters; ++i) values[i] = static_cast<uint8_t>(v[i]);
      }
    } else {
      ok = ReadLine(line, 1, 0, kChannels - 1, v);
      if (ok) s.currentStep = static_cast<int>(v[0]);
    }
    if (!ok) fail(lineNo, "not valid, kept the previous values");
  }
  return result;
}

}  // namespace qx::autotest

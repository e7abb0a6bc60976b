#include "core/autotest/SwitchCsv.h"

#include <system_error>

#include "core/base/AtomicFile.h"
#include "core/base/FixedWidth.h"

namespace qx::autotest {

std::string SwitchCsv::FileName(int k) {
  return "QxADCSW" + std::to_string(k) + ".CSV";
}

std::string SwitchCsv::Text(const ChannelRecord& record) {
  const size_t stepLen = record.StepLen;
  std::string out = "  , ";
  for (size_t i = 0; i < stepLen; ++i) {
    if (i > 0) out += ", ";
    out += "Data " + std::to_string(i);
  }
  out += base::kCrLf;
  for (size_t r = 1; r <= record.LoopCount; ++r) {
    out += std::to_string(r) + ", ";
    for (size_t i = 0; i < stepLen; ++i) {
      const size_t at = (r - 1) * stepLen + i;
      if (i > 0) out += ", ";
      // A sample the last run did not read is left empty, never written as a 0 reading.
      if (at < record.Measured && at < record.Samples.size())
        out += std::to_string(record.Samples[at]);
    }
    out += base::kCrLf;
  }
  return out;
}

SwitchCsv::Outcome SwitchCsv::WriteAll(const std::filesystem::path& dir,
                                       const std::array<ChannelRecord, kChannels>& records) {
  Outcome outcome;
  std::array<std::filesystem::path, kChannels> temps;
  auto removeTemps = [&temps] {
    std::error_code ignored;
    for (const auto& t : temps)
      if (!t.empty()) std::filesystem::remove(t, ignored);
  };
  auto fail = [&](int k) {
    removeTemps();
    outcome.ok = false;
    outcome.failedFile = k;
    outcome.error = "Please Close " + FileName(k) + " !!!!";
    return outcome;
  };
  for (int k = 0; k < kChannels; ++k) {
    std::string error;
    if (!base::AtomicFile::WriteTemp(dir / FileName(k), Text(records[static_cast<size_t>(k)]),
                                     temps[static_cast<size_t>(k)], error))
      return fail(k);
  }
  for (int k = 0; k < kChannels; ++k) {
    // A name that is a folder (or otherwise not replaceable) is found before any rename.
    std::error_code ec;
    const auto path = dir / FileName(k);
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
      return fail(k);
  }
  for (int k = 0; k < kChannels; ++k) {
    std::string error;
    const bool replaced =
        base::AtomicFile::Replace(temps[static_cast<size_t>(k)], dir / FileName(k), error);
    temps[static_cast<size_t>(k)].clear();
    if (!replaced) return fail(k);
  }
  return outcome;
}

}  // namespace qx::autotest

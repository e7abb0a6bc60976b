#include "core/autotest/SwitchCsv.h"

#include <fstream>
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
      out += std::to_string(at < record.Samples.size() ? record.Samples[at] : 0);
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
    const auto path = dir / FileName(k);
    const auto tmp = base::AtomicFile::TempPath(path);
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return fail(k);
    temps[static_cast<size_t>(k)] = tmp;
    const std::string text = Text(records[static_cast<size_t>(k)]);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) return fail(k);
  }
  for (int k = 0; k < kChannels; ++k) {
    // A name that is a folder (or otherwise not replaceable) is found before any rename.
    std::error_code ec;
    const auto path = dir / FileName(k);
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
      return fail(k);
  }
  for (int k = 0; k < kChannels; ++k) {
    std::error_code ec;
    std::filesystem::rename(temps[static_cast<size_t>(k)], dir / FileName(k), ec);
    if (ec) return fail(k);
    temps[static_cast<size_t>(k)].clear();
  }
  return outcome;
}

}  // namespace qx::autotest

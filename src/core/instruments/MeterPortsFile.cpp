#include "core/instruments/MeterPortsFile.h"

#include <string_view>

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "core/base/FixedWidth.h"
#include "core/base/TextLineReader.h"

namespace qx::instruments {

namespace {

constexpr std::string_view kMeterWord = "METER";

// "COM1" to "COM17", the names the instrument port lists offer.
bool IsPortName(std::string_view name) {
  if (name.size() < 4 || name.size() > 5 || name.substr(0, 3) != "COM") return false;
  int n = 0;
  for (const char c : name.substr(3)) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 17;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

MeterPortsFile::Names MeterPortsFile::Load(const std::filesystem::path& file, int* skipped,
                                           std::string* error) {
  Names names;
  int bad = 0;
  const base::FileRead read = base::ReadRegularFile(file, kMaxBytes);
  if (error) *error = read.Ok() || read.status == base::FileRead::Status::Missing ? "" : read.error;
  if (read.Ok()) {
    base::TextLineReader lines(read.bytes, 256);
    std::string_view line;
    for (auto r = lines.Next(line); r != base::TextLineReader::Result::End; r = lines.Next(line)) {
      line = Trim(line);
      if (r == base::TextLineReader::Result::Line && line.empty()) continue;
      const size_t space = line.find_first_of(" \t");
      const std::string_view word = line.substr(0, space);
      const std::string_view port =
          space == std::string_view::npos ? std::string_view() : Trim(line.substr(space));
      const bool meterWord = word.size() == kMeterWord.size() + 1 &&
                             word.substr(0, kMeterWord.size()) == kMeterWord &&
                             word.back() >= '1' && word.back() <= '6';
      if (r != base::TextLineReader::Result::Line || !meterWord || !IsPortName(port)) {
        ++bad;
        continue;
      }
      names[static_cast<size_t>(word.back() - '1')] = std::string(port);
    }
  }
  if (skipped) *skipped = bad;
  return names;
}

bool MeterPortsFile::Save(const std::filesystem::path& file, const Names& names,
                          std::string& error) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    text += std::string(kMeterWord) + std::to_string(i + 1) + " " + names[i] + base::kCrLf;
  }
  return base::AtomicFile::Write(file, text, error);
}

}  // namespace qx::instruments

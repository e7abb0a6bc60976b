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

namespace {

struct Record {
  MeterPortsFile::Names meters;
  MeterPortsFile::InstrumentNames instruments;
};

constexpr std::string_view kFlukeWord = "FLUKE";
constexpr std::string_view kPowerWord = "POWER";
constexpr std::string_view kChamberWord = "CHAMBER";

Record Read(const std::filesystem::path& file, int* skipped, std::string* error) {
  Record record;
  int bad = 0;
  const base::FileRead read = base::ReadRegularFile(file, MeterPortsFile::kMaxBytes);
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
      if (r != base::TextLineReader::Result::Line || !IsPortName(port)) {
        ++bad;
        continue;
      }
      const bool meterWord = word.size() == kMeterWord.size() + 1 &&
                             word.substr(0, kMeterWord.size()) == kMeterWord &&
                             word.back() >= '1' && word.back() <= '6';
      if (meterWord)
        record.meters[static_cast<size_t>(word.back() - '1')] = std::string(port);
      else if (word == kFlukeWord)
        record.instruments.fluke = port;
      else if (word == kPowerWord)
        record.instruments.power = port;
      else if (word == kChamberWord)
        record.instruments.chamber = port;
      else
        ++bad;
    }
  }
  if (skipped) *skipped = bad;
  return record;
}

bool Write(const std::filesystem::path& file, const Record& record, std::string& error) {
  std::string text;
  for (size_t i = 0; i < record.meters.size(); ++i) {
    if (record.meters[i].empty()) continue;
    text += std::string(kMeterWord) + std::to_string(i + 1) + " " + record.meters[i] + base::kCrLf;
  }
  const std::pair<std::string_view, const std::string*> instruments[] = {
      {kFlukeWord, &record.instruments.fluke},
      {kPowerWord, &record.instruments.power},
      {kChamberWord, &record.instruments.chamber}};
  for (const auto& [word, port] : instruments)
    if (!port->empty()) text += std::string(word) + " " + *port + base::kCrLf;
  return base::AtomicFile::Write(file, text, error);
}

}  // namespace

MeterPortsFile::Names MeterPortsFile::Load(const std::filesystem::path& file, int* skipped,
                                           std::string* error) {
  return Read(file, skipped, error).meters;
}

MeterPortsFile::InstrumentNames MeterPortsFile::LoadInstruments(const std::filesystem::path& file,
                                                                std::string* error) {
  return Read(file, nullptr, error).instruments;
}

bool MeterPortsFile::Save(const std::filesystem::path& file, const Names& names,
                          std::string& error) {
  Record record = Read(file, nullptr, nullptr);
  record.meters = names;
  return Write(file, record, error);
}

bool MeterPortsFile::SaveInstruments(const std::filesystem::path& file,
                                     const InstrumentNames& names, std::string& error) {
  Record record = Read(file, nullptr, nullptr);
  record.instruments = names;
  return Write(file, record, error);
}

}  // namespace qx::instruments

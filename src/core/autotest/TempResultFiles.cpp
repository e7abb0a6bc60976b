#include "core/autotest/TempResultFiles.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/base/AtomicFile.h"
#include "core/base/FixedWidth.h"

namespace qx::autotest {

namespace temp_text {

namespace {

/// The analysis window's comparison value; no capture changes it.
constexpr char kComparison[] = "0";

constexpr char kStatsHeader[] =
    "平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free, 比較值";
constexpr char kTempStatsHeader[] =
    "Temp-平均值, Temp-VPP(nV), Temp-RMS Noise(nV), Temp-Enob, Temp-VPP(count), "
    "Temp-RMS Noise(count), Temp-Noise Free";

constexpr int kFirstGroup = 0;
constexpr int kSecondGroup = 7;
constexpr int kGroupSize = 7;
constexpr size_t kSamplesPerLine = 16;

std::string Fixed(double value, int decimals) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
  // Too wide for the buffer (beyond 1e60): measure, then print in full.
  std::string wide(static_cast<size_t>(n), '\0');
  std::snprintf(wide.data(), wide.size() + 1, "%.*f", decimals, value);
  return wide;
}

/// "%f" of the result files: two decimals.
std::string F2(double value) {
  return Fixed(value, 2);
}

/// ", " and Stats[k][point][mode] for `count` kinds from `first`, each in "%f".
void AppendStats(std::string& out, const TempResults& r, int first, int count, int point,
                 int mode) {
  for (int k = first; k < first + count; ++k) out += ", " + F2(r.Stat(k, point, mode));
}

/// `count` figure fields left empty: a mode whose capture failed, or that no run reached yet,
/// keeps the line's layout without a number a reader could take for a measurement.
void AppendEmpty(std::string& out, int count) {
  for (int k = 0; k < count; ++k) out += ", ";
}

/// Temperature and humidity of a point, empty until a mode of it is recorded (the journal
/// keeps them with the modes, so an exported run writes the same).
std::string Lead(const TempResults& r, int point) {
  if (!r.Reached(point)) return ", , ";
  return F2(r.TargetTemp(point)) + ", " + F2(r.TargetHum(point)) + ", ";
}

/// The seven figures of one channel in "%f", joined by ",".
std::string JoinedFigures(const analysis::NoiseFigures& f) {
  std::string out;
  for (double v : {f.mean, f.vppNv, f.rmsNv, f.enob, f.vppCodes, f.rmsCodes, f.noiseFreeBits}) {
    if (!out.empty()) out += ',';
    out += F2(v);
  }
  return out;
}

/// Samples sixteen to a line, each as a whole number followed by ", ". `keepPartial` writes a
/// last line of fewer than sixteen; otherwise such a group is left out.
void AppendSampleLines(std::string& out, std::span<const double> samples, bool keepPartial) {
  const size_t whole = samples.size() / kSamplesPerLine * kSamplesPerLine;
  const size_t end = keepPartial ? samples.size() : whole;
  for (size_t i = 0; i < end; ++i) {
    out += Fixed(samples[i], 0) + ", ";
    if (i % kSamplesPerLine == kSamplesPerLine - 1 || i + 1 == end) out += base::kCrLf;
  }
}

}  // namespace

std::string Summary(const TempResults& r, int points, int modes, std::string_view tempHeader,
                    std::string_view humHeader) {
  std::string out = ", , , Test #0, , , ";
  out += base::kCrLf;
  out.append(tempHeader).append(", ").append(humHeader).append(", ");
  out += " ,";
  out += kStatsHeader;
  out += base::kCrLf;
  for (int t = 1; t <= points; ++t) {
    const std::string lead = Lead(r, t);
    for (int m = 1; m <= modes; ++m) {
      out += lead + std::to_string(m);
      if (r.Measured(t, m)) {
        AppendStats(out, r, kFirstGroup, kGroupSize, t, m);
        out += ',';
        out += kComparison;
      } else {
        AppendEmpty(out, kGroupSize);
        out += ',';
      }
      out += base::kCrLf;
    }
  }
  return out;
}

std::string Results(const TempResults& r, int points, int modes, bool adcAndTemp, int testNumber) {
  std::string out = "Test #" + std::to_string(testNumber) + ", , , ";
  out += base::kCrLf;
  if (adcAndTemp) {
    out +=
        " ,ADC-平均值, ADC-VPP(nV), ADC-RMS Noise(nV), ADC-Enob, ADC-VPP(count), "
        "ADC-RMS Noise(count), ADC-Noise Free, ";
    out += kTempStatsHeader;
    out += ", ";
  } else {
    out += " ,";
    out += kStatsHeader;
  }
  out += base::kCrLf;
  for (int t = 1; t <= points; ++t) {
    for (int m = 1; m <= modes; ++m) {
      out += std::to_string(m);
      if (!r.Measured(t, m)) {
        AppendEmpty(out, adcAndTemp ? TempResults::kKinds : kGroupSize);
        if (!adcAndTemp) out += ',';
      } else if (adcAndTemp) {
        AppendStats(out, r, kFirstGroup, TempResults::kKinds, t, m);
      } else {
        AppendStats(out, r, kFirstGroup, kGroupSize, t, m);
        out += ',';
        out += kComparison;
      }
      out += base::kCrLf;
    }
  }
  return out;
}

std::string Meters(const TempResults& r, int points, int modes) {
  std::string out = ", , ";
  for (int i = 0; i < TempResults::kMeters; ++i) out += ", Test #" + std::to_string(i) + ", , ";
  out += base::kCrLf;
  for (int t = 1; t <= points; ++t) {
    const std::string lead = Lead(r, t);
    for (int m = 1; m <= modes; ++m) {
      out += lead;
      const bool measured = r.Measured(t, m);
      for (int i = 0; i < TempResults::kMeters; ++i) {
        out += ", " + std::to_string(m) + ", ";
        if (!measured) {
          out += ", ";
          continue;
        }
        out += MeterNumber(r.MeterValue(i, t, m)) + ", ";
        out += r.MeterUnit(i, t, m);
      }
      out += base::kCrLf;
    }
  }
  return out;
}

std::string RawSamples(std::span<const double> samples, const analysis::NoiseResult& noise,
                       bool adcAndTemp, std::span<const double> tempSamples) {
  std::string out;
  // Alternating ADC and temperature runs drop a last incomplete group; a plain run writes the
  // analysis window's grid as it stands, its last partly filled row included.
  AppendSampleLines(out, samples, !adcAndTemp);
  out += kStatsHeader;
  out += base::kCrLf;
  out += JoinedFigures(noise.groups[0]) + "," + kComparison;
  out += base::kCrLf;
  if (adcAndTemp) {
    AppendSampleLines(out, tempSamples, false);
    out += kTempStatsHeader;
    out += base::kCrLf;
    out += JoinedFigures(noise.groups[1]);
    out += base::kCrLf;
  }
  return out;
}

std::string MeterNumber(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  std::string text = Fixed(value, 8);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  // The pattern "#####.########" taken literally writes nothing for zero and ".5" for 0.5. The
  // meter file is read by spreadsheets, which take an empty cell as text and ".5" only in some
  // locales, so zero is written "0" and the leading "0" before the point is kept. A value that
  // rounds to zero at eight decimals is a plain "0", never "-0".
  if (text == "-0") text = "0";
  return text;
}

}  // namespace temp_text

namespace {

/// "<base>.tmp-" followed by exactly 16 hex digits.
bool IsTemporaryOf(const std::string& name, const std::string& base) {
  const std::string stem = base + ".tmp-";
  if (name.size() != stem.size() + 16 || name.compare(0, stem.size(), stem) != 0) return false;
  for (size_t i = stem.size(); i < name.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

/// "QxTMP-<number>.CSV", the raw files' names.
bool IsRawFileName(const std::string& name) {
  static constexpr std::string_view kHead = "QxTMP-", kTail = ".CSV";
  if (name.size() <= kHead.size() + kTail.size() || !name.starts_with(kHead) ||
      !name.ends_with(kTail))
    return false;
  for (size_t i = kHead.size(); i < name.size() - kTail.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

}  // namespace

std::vector<std::filesystem::path> RemoveStaleTemporaries(const std::filesystem::path& dir) {
  static constexpr const char* kOwn[] = {kTempSummaryFile, kTempResultFile, kTempResultFallback,
                                         kTempMeterFile, kTempMeterFallback};
  std::vector<std::filesystem::path> removed;
  auto sweep = [&removed](const std::filesystem::path& folder, auto&& ours) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      const auto dot = name.rfind(".tmp-");
      if (dot == std::string::npos || !ours(name.substr(0, dot)) ||
          !IsTemporaryOf(name, name.substr(0, dot)) || !it->is_regular_file(ec))
        continue;
      std::error_code gone;
      if (std::filesystem::remove(it->path(), gone)) removed.push_back(it->path());
    }
  };
  sweep(dir, [](const std::string& base) {
    for (const char* own : kOwn)
      if (base == own) return true;
    return false;
  });
  sweep(dir / kTempRawFolder, IsRawFileName);
  return removed;
}

std::string TempResultWriter::Write(const std::string& name, const std::string& fallback,
                                    std::string_view utf8, std::string& error) const {
  const std::string bytes = encode_ ? encode_(utf8) : std::string(utf8);
  std::string firstError;
  if (base::AtomicFile::Write(dir_ / name, bytes, firstError)) return name;
  if (fallback.empty()) {
    error = firstError;
    return {};
  }
  std::string secondError;
  if (base::AtomicFile::Write(dir_ / fallback, bytes, secondError)) return fallback;
  error = firstError + "; " + secondError;
  return {};
}

bool TempResultWriter::WriteRaw(int number, std::string_view utf8, std::string& error) const {
  const std::filesystem::path folder = dir_ / kTempRawFolder;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directory(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
      error = "Cannot create " + folder.string();
      return false;
    }
  }
  const std::string bytes = encode_ ? encode_(utf8) : std::string(utf8);
  return base::AtomicFile::Write(folder / ("QxTMP-" + std::to_string(number) + ".CSV"), bytes,
                                 error);
}

}  // namespace qx::autotest

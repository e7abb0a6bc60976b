#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis/NoiseResult.h"
#include "core/autotest/TempResults.h"

namespace qx::autotest {

inline constexpr char kTempSummaryFile[] = "QxTEMPA.CSV";
inline constexpr char kTempResultFile[] = "QxTEMPB.CSV";
inline constexpr char kTempResultFallback[] = "QxTEMPFOVER.CSV";
inline constexpr char kTempMeterFile[] = "QxTEMPBryMen.CSV";
inline constexpr char kTempMeterFallback[] = "QxTEMPBryMenOVER.CSV";
inline constexpr char kTempRawFolder[] = "TEMP";

/// The text of the temperature test's result files, in UTF-8 with CR LF line ends. The writer
/// turns it into the bytes of the code page the spreadsheets expect.
namespace temp_text {

/// "QxTEMPA.CSV": the summary with temperature and humidity on every line. `tempHeader` and
/// `humHeader` are the temperature table's header cells 1 and 2.
std::string Summary(const TempResults& r, int points, int modes, std::string_view tempHeader,
                    std::string_view humHeader);
/// "QxTEMPB.CSV": `adcAndTemp` is the `ChADCTemp` box (fourteen statistics per line).
std::string Results(const TempResults& r, int points, int modes, bool adcAndTemp, int testNumber);
/// "QxTEMPBryMen.CSV": the six meters' values and units.
std::string Meters(const TempResults& r, int points, int modes);
/// A raw sample file of one mode: `samples` sixteen per line (an incomplete last group is
/// dropped when `adcAndTemp`), then the header line and the seven statistics; with
/// `adcAndTemp` also the temperature channel's `tempSamples` and statistics.
std::string RawSamples(std::span<const double> samples, const analysis::NoiseResult& noise,
                       bool adcAndTemp, std::span<const double> tempSamples);
/// Delphi's FormatFloat("#####.########"): up to eight decimals, no trailing zeros.
std::string MeterNumber(double value);

}  // namespace temp_text

/// Removes what writes of the result files interrupted by a crash or a kill left behind in
/// `dir` and its raw folder: temporary files "<name>.tmp-<16 hex digits>" of the result files'
/// own names. Other files, and other programs' temporary files, stay. Call it only while
/// holding the run lock: a running writer's temporary file has the same form. Returns the
/// paths removed.
std::vector<std::filesystem::path> RemoveStaleTemporaries(const std::filesystem::path& dir);

/// Turns UTF-8 text into the bytes written to disk (code page 950 on the bench PCs).
using TextEncoder = std::function<std::string(std::string_view utf8)>;

/// Writes result files in a folder: encoded, through a temporary file renamed over the old one.
class TempResultWriter {
 public:
  TempResultWriter(std::filesystem::path dir, TextEncoder encode)
      : dir_(std::move(dir)), encode_(std::move(encode)) {}

  /// Writes `name`; when it cannot be written and `fallback` is given, writes that instead.
  /// Returns the name written, empty on failure with `error` set.
  std::string Write(const std::string& name, const std::string& fallback, std::string_view utf8,
                    std::string& error) const;
  /// Creates "TEMP" when missing and writes "QxTMP-<number>.CSV" there. False with `error`
  /// ("Cannot create " and the folder) when the folder cannot be made.
  bool WriteRaw(int number, std::string_view utf8, std::string& error) const;

  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  TextEncoder encode_;
};

}  // namespace qx::autotest

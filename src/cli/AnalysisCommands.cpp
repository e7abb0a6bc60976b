#include "cli/AnalysisCommands.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "cli/LinkCommands.h"
#include "core/analysis/CaptureExport.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/NoiseUnits.h"
#include "core/analysis/SlotDecoder.h"
#include "core/analysis/SlotFile.h"
#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/SetupChipLoad.h"
#include "sim/SimBoard.h"

namespace qx::cli {

namespace {

// Without --avg the figures are the capture's; with it they are re-averaged exactly as the
// window's averaging list does, "1" included.
constexpr int kNoAveraging = -1;

constexpr int kDefaultSkip = analysis::AdcCapture::kSettlingSlots;

struct DecimalRange {
  double lo, hi;
  const char* unit;
};
/// A reference above 100 V or a gain outside 1e-6 .. 1e6 is a typing error, not a bench.
constexpr DecimalRange kReferenceRange{1e-6, 100, "V"};
constexpr DecimalRange kGainRange{1e-6, 1e6, ""};

std::string Short(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

/// The options of one analysis command, checked against what the command accepts.
class ExtraOptions {
 public:
  ExtraOptions(const CliOptions& options, std::ostream& err) : options_(options), err_(err) {}

  bool Only(std::initializer_list<const char*> allowed) const {
    for (const auto& [name, value] : options_.extra) {
      bool known = false;
      for (const char* a : allowed) known = known || name == a;
      if (!known) return Fail(options_.command + " has no option " + name);
    }
    return true;
  }
  bool Has(const char* name) const { return options_.extra.count(name) > 0; }
  bool Text(const char* name, std::string& out, bool required) const {
    const auto it = options_.extra.find(name);
    if (it == options_.extra.end()) return !required || Fail(std::string(name) + " is required");
    out = it->second;
    return true;
  }
  bool Number(const char* name, long lo, long hi, long& out, bool required) const {
    std::string text;
    if (!Text(name, text, required)) return false;
    if (text.empty() && !required && !Has(name)) return true;
    const auto v = ParseNumberArgument(text);
    if (!v || *v < lo || *v > hi)
      return Fail(std::string(name) + " must be a number from " + std::to_string(lo) + " to " +
                  std::to_string(hi) + ": " + text);
    out = *v;
    return true;
  }
  /// A power of two from `lo` to `hi`; returns its exponent over `lo` as the list item.
  bool Item(const char* name, long lo, long hi, int& item, bool required) const {
    long v = lo;
    if (!Has(name)) return !required || Fail(std::string(name) + " is required");
    if (!Number(name, lo, hi, v, required)) return false;
    for (int k = 0; (lo << k) <= hi; ++k)
      if ((lo << k) == v) {
        item = k;
        return true;
      }
    return Fail(std::string(name) + " must be a power of two from " + std::to_string(lo) + " to " +
                std::to_string(hi));
  }
  /// A decimal number of `range`, written in full (no trailing text, no inf or nan); a value
  /// too small for a normal double is refused as well.
  bool Decimal(const char* name, const DecimalRange& range, double& out) const {
    const std::string& text = options_.extra.at(name);
    char* end = nullptr;
    const double v = text.empty() || std::isspace(static_cast<unsigned char>(text[0]))
                         ? 0
                         : std::strtod(text.c_str(), &end);
    if (!end || end == text.c_str() || *end != '\0' || !std::isnormal(v) || v < range.lo ||
        v > range.hi)
      return Fail(std::string(name) + " must be a number from " + Short(range.lo) + " to " +
                  Short(range.hi) + " " + range.unit + ": " + text);
    out = v;
    return true;
  }
  /// The reference voltage of the noise figures: the window would take any text (1.2 V for
  /// one that is no number), a command line gets a positive voltage or a refusal.
  bool Reference() const {
    const std::string& text = options_.extra.at("--ref");
    const auto volts = analysis::PositiveReferenceVolts(text);
    if (volts && *volts >= kReferenceRange.lo && *volts <= kReferenceRange.hi) return true;
    return Fail("--ref must be a number from " + Short(kReferenceRange.lo) + " to " +
                Short(kReferenceRange.hi) + " V: " + text);
  }
  /// A file name option that was given must name something.
  bool FileName(const char* name, const std::string& text) const {
    return !text.empty() || Fail(std::string(name) + " needs a file name");
  }
  bool Fail(const std::string& text) const {
    err_ << "qxctl: " << text << " " << HelpHint(options_.command) << "\n";
    return false;
  }

 private:
  const CliOptions& options_;
  std::ostream& err_;
};

std::string Fixed(double v) {
  return analysis::FixedText(v);
}

std::string Full(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

/// The two noise figures in a unit of the noise unit list.
struct UnitFigures {
  double vpp = 0, rms = 0;
};

/// The figures from their codes through the capture's own bits, reference and gain.
UnitFigures InUnit(const app::Workbench& bench, analysis::NoiseUnit unit) {
  const analysis::NoiseFigures& f = bench.noise.groups[0];
  const analysis::AdcCapture& c = bench.capture;
  const double volts = analysis::ReferenceVolts(bench.settings.EREFV);
  const double gain = c.FiguresGain();
  return {analysis::ConvertNoise(f.vppCodes, unit, c.Bits(), volts, gain),
          analysis::ConvertNoise(f.rmsCodes, unit, c.Bits(), volts, gain)};
}

void PrintFigures(const app::Workbench& bench, bool json, std::optional<analysis::NoiseUnit> unit,
                  std::ostream& out) {
  const analysis::NoiseFigures& f = bench.noise.groups[0];
  const analysis::AdcCapture& c = bench.capture;
  const UnitFigures u = unit ? InUnit(bench, *unit) : UnitFigures{};
  if (json) {
    const int samples = c.ReducedCount() > 0 ? c.ReducedCount() : c.Count();
    out << "{\"samples\": " << samples << ", \"mean\": " << Full(f.mean)
        << ", \"vppNv\": " << Full(f.vppNv) << ", \"rmsNv\": " << Full(f.rmsNv)
        << ", \"enob\": " << Full(f.enob) << ", \"vppCodes\": " << Full(f.vppCodes)
        << ", \"rmsCodes\": " << Full(f.rmsCodes)
        << ", \"noiseFreeBits\": " << Full(f.noiseFreeBits) << ", \"vrms\": " << Full(c.Rms());
    if (unit)
      out << ", \"unit\": \"" << analysis::NoiseUnitKey(*unit) << "\", \"vpp\": " << Full(u.vpp)
          << ", \"rms\": " << Full(u.rms);
    out << "}\n";
    return;
  }
  out << "Average\t" << Fixed(f.mean) << "\n"
      << "Vp-p Noise\t" << (unit ? analysis::FormatNoise(u.vpp, *unit) : Fixed(f.vppNv)) << "\n"
      << "RMS Noise\t" << (unit ? analysis::FormatNoise(u.rms, *unit) : Fixed(f.rmsNv)) << "\n"
      << "ENOB\t" << Fixed(f.enob) << "\n"
      << "Vp-p Count\t" << Fixed(f.vppCodes) << "\n"
      << "RMS Count\t" << Fixed(f.rmsCodes) << "\n"
      << "Noise Free\t" << Fixed(f.noiseFreeBits) << "\n";
}

/// --unit: a unit of the noise figures, or a refusal.
bool UnitOption(const ExtraOptions& x, const CliOptions& options,
                std::optional<analysis::NoiseUnit>& unit) {
  const auto it = options.extra.find("--unit");
  if (it == options.extra.end()) return true;
  unit = analysis::NoiseUnitFrom(it->second);
  return unit || x.Fail("--unit must be codes, nV, uV or ppm: " + it->second);
}

/// The session has loaded the chip of the saved settings; --chip loads another one. The ADC
/// block's registers are then read from the chip and every field takes its value from them, as
/// the ADC panel keeps them: the gain fields for the figures, all of them for an export. Without
/// a chip description the gain is 1.
void LoadAdcFields(CliSession& session, const CliOptions& options, std::ostream& err) {
  app::Workbench& bench = session.Bench();
  if (options.chip) {
    bench.target.ChipIndex = static_cast<uint16_t>(*options.chip);
    chip::FileTextSource files;
    const uint16_t kind = bench.target.LinkKind;
    chip::SetupChipLoad(bench.chip, bench.target, bench.settings, session.Host(), files,
                        chip::SetupChipLoad::FolderOf(ProgramDirOf(options.dir)))
        .Load();
    bench.target.LinkKind = kind;
    if (session.Board()) session.Board()->ApplyChipGains(bench.chip);
  }
  if (!bench.chip.HasAdc0) {
    err << "qxctl: the chip has no ADC description, the nanovolt figures use gain 1\n";
    return;
  }
  const size_t from = bench.target.LinkKind == link::kLinkQx740x ? 1 : 0;
  std::set<uint16_t> addresses;
  for (const auto& [key, field] : bench.chip.AdcFields)
    if (field.present) addresses.insert(field.address);
  for (uint16_t address : addresses) {
    if (!bench.access.ReadBytes(address, 1)) continue;
    const uint8_t reg = bench.frame[from];
    bench.access.SetRegImage(address, reg);
    for (auto& [key, field] : bench.chip.AdcFields)
      if (field.present && field.address == address) field.value = field.Extract(reg);
  }
}

int Enob(CliSession& session, const CliOptions& options, std::ostream& out, std::ostream& err) {
  const ExtraOptions x(options, err);
  int points = 0;
  int avg = kNoAveraging;
  long bits = 0;
  std::string ref, save, exportPath;
  std::optional<analysis::NoiseUnit> unit;
  if (!x.Only({"--points", "--bits", "--ref", "--avg", "--save", "--export", "--unit", "--json"}) ||
      !x.Item("--points", 64, 65536, points, true) || !x.Number("--bits", 8, 23, bits, true) ||
      !x.Text("--ref", ref, true) || !x.Item("--avg", 1, 32, avg, false) ||
      !x.Text("--save", save, false) || !x.Text("--export", exportPath, false) ||
      !UnitOption(x, options, unit))
    return kExitUsage;
  const int mode = options.mode.value_or(analysis::kModeInterrupt);
  if (mode != analysis::kModeAdc && mode != analysis::kModeInterrupt) {
    x.Fail("--mode must be 1 or 3");
    return kExitUsage;
  }
  if (!options.args.empty()) {
    x.Fail("enob takes no arguments");
    return kExitUsage;
  }
  if (!x.Reference() || (x.Has("--save") && !x.FileName("--save", save)) ||
      (x.Has("--export") && !x.FileName("--export", exportPath)))
    return kExitUsage;
  if (RefusedWithoutUsbBridge(session, "enob", err)) return kExitUsage;

  std::string error;
  if (!session.Connect(error)) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  LoadAdcFields(session, options, err);

  app::Workbench& bench = session.Bench();
  analysis::AdcCapture& capture = bench.capture;
  capture.NPointIndexChange(points);
  capture.TXScaleChange(static_cast<int>(bits) - 8);
  bench.settings.EREFV = ref;
  capture.halving = true;
  const bool ok = capture.CatchACDCOM(ref, static_cast<uint8_t>(mode));
  capture.halving = false;
  if (avg != kNoAveraging) {
    bench.settings.CMAVR = avg;
    capture.ReCalADC();
  }
  // Figures of a capture that broke off would pass for a measurement: none are printed, and
  // the code file is not written (the export below says in its header what it holds).
  if (ok) PrintFigures(bench, x.Has("--json"), unit, out);
  if (!ok && !save.empty()) {
    err << "qxctl: " << save << " not written: the capture did not complete\n";
  } else if (!save.empty() && !base::AtomicFile::Write(save, capture.SaveBytes(), error)) {
    err << "qxctl: " << save << ": " << error << "\n";
    return kExitLinkFailed;
  }
  // The codes as streamed, with the settings that produced them; a failed capture exports the
  // samples that did arrive and says so in the header.
  if (!exportPath.empty()) {
    const analysis::CaptureSettings settings =
        analysis::DescribeCapture(capture, ok, bench.chip, bench.target, bench.settings,
                                  analysis::IsoLocalTime(std::chrono::system_clock::now()));
    const std::string text = analysis::CaptureExportText(settings, capture.StreamedCodes());
    if (!analysis::WriteCaptureExport(exportPath, text, error)) {
      err << "qxctl: " << exportPath << ": " << error << "\n";
      return kExitLinkFailed;
    }
  }
  if (!ok) {
    err << "qxctl: " << analysis::kReadError << " (" << capture.Count() << " of " << (64 << points)
        << " samples)";
    if (!capture.FailureReason().empty()) err << ": " << capture.FailureReason();
    err << "\n";
    return kExitLinkFailed;
  }
  return kExitOk;
}

int Stats(CliSession& session, const CliOptions& options, std::ostream& out, std::ostream& err) {
  const ExtraOptions x(options, err);
  int avg = kNoAveraging;
  long bits = 0, skip = kDefaultSkip;
  std::string ref, gainText;
  std::optional<analysis::NoiseUnit> unit;
  if (!x.Only({"--bits", "--ref", "--gain", "--avg", "--skip", "--unit", "--json"}) ||
      !UnitOption(x, options, unit) || !x.Number("--bits", 8, 23, bits, true) ||
      !x.Text("--ref", ref, true) || !x.Item("--avg", 1, 32, avg, false) ||
      !x.Number("--skip", 0, 1'000'000, skip, false) || !x.Text("--gain", gainText, false))
    return kExitUsage;
  double gain = 1;
  if (!x.Reference() || (x.Has("--gain") && !x.Decimal("--gain", kGainRange, gain)))
    return kExitUsage;
  if (options.args.size() != 1) {
    x.Fail("stats takes one FILE");
    return kExitUsage;
  }
  const std::string& path = options.args[0];
  const base::FileRead file = base::ReadRegularFile(path, analysis::SlotFile::kMaxBytes);
  if (!file.Ok()) {
    err << "qxctl: " << file.error << "\n";
    return kExitLinkFailed;
  }
  std::vector<uint32_t> slots;
  std::string error;
  if (!analysis::SlotFile::Parse(file.bytes, slots, error)) {
    err << "qxctl: " << path << ": " << error << "\n";
    return kExitLinkFailed;
  }
  const long samples = static_cast<long>(slots.size()) - skip;
  if (samples <= 0) {
    err << "qxctl: " << path << ": no samples after the " << skip << " skipped slots\n";
    return kExitLinkFailed;
  }
  if (samples > analysis::AdcCapture::kCapacity) {
    err << "qxctl: " << path << ": " << samples << " samples, at most "
        << analysis::AdcCapture::kCapacity << " fit a capture\n";
    return kExitLinkFailed;
  }

  app::Workbench& bench = session.Bench();
  analysis::AdcCapture& capture = bench.capture;
  capture.TXScaleChange(static_cast<int>(bits) - 8);
  bench.settings.EREFV = ref;
  bench.settings.PointCount = static_cast<int>(samples);
  capture.gainOverride = gain;
  capture.halving = true;
  capture.AnalyseSlots(slots, static_cast<int>(skip), ref, analysis::kModeInterrupt);
  capture.halving = false;
  if (avg != kNoAveraging) {
    bench.settings.CMAVR = avg;
    capture.ReCalADC();
  }
  PrintFigures(bench, x.Has("--json"), unit, out);
  return kExitOk;
}

}  // namespace

bool IsAnalysisCommand(const std::string& command) {
  return TakesExtraOptions(command);
}

int RunAnalysisCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                       std::ostream& err) {
  if (options.command == "enob") return Enob(session, options, out, err);
  return Stats(session, options, out, err);
}

}  // namespace qx::cli

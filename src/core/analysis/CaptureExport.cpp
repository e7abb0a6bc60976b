#include "core/analysis/CaptureExport.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <set>
#include <string_view>

#include "core/analysis/NoiseMath.h"
#include "core/analysis/OutputRate.h"
#include "core/base/AtomicFile.h"
#include "core/base/FixedWidth.h"
#include "core/base/LocalTime.h"
#include "core/chip/SetupLists.h"

namespace qx::analysis {

namespace {

constexpr double kCodeFullScale = 8388608.0;  // 2^23
/// Nine decimals in scientific notation: ten significant digits, where a 24-bit code needs
/// eight to come back from its volts.
constexpr int kVoltsDecimals = 9;

/// The shortest text that reads back as `value`; a decimal point whatever the locale.
std::string Shortest(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[32];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("nan");
}

std::string Volts(double value) {
  char buf[40];
  const auto [ptr, ec] =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, kVoltsDecimals);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("nan");
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

/// A text of the caller's on one header line: a line break or other control character would
/// end the comment and turn the rest into a data line.
std::string OneLine(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

/// One header line from its pieces, appended one by one.
void Line(std::string& out, std::initializer_list<std::string_view> pieces) {
  out += "# ";
  for (std::string_view p : pieces) out += p;
  out += base::kCrLf;
}

}  // namespace

CaptureSettings DescribeCapture(const AdcCapture& capture, bool complete,
                                const chip::ChipModel& chip, const link::TargetRecord& target,
                                const base::Settings& settings, const std::string& dateTime) {
  CaptureSettings s;
  s.dateTime = dateTime;
  s.chipName = chip.ModelName;
  s.linkKind = target.LinkKind;
  const auto& names = chip::SetupLists::kLinkItems;
  s.linkName = target.LinkKind < names.size() ? names[target.LinkKind] : "unknown";
  std::set<uint16_t> addresses;
  for (const auto& [key, field] : chip.AdcFields)
    if (field.present) addresses.insert(field.address);
  for (uint16_t a : addresses)
    if (a < target.RegImage.size()) s.registers.push_back({a, target.RegImage[a]});
  s.gain = AdcGainOf(chip);
  s.totalGain = capture.FiguresGain();
  s.referenceText = settings.EREFV;
  s.referenceVolts = ReferenceVolts(settings.EREFV);
  s.outputRateSps = OutputRateSps(chip);
  s.bits = capture.Bits();
  s.averaging = AveragingFactor(settings.CMAVR);
  s.complete = complete;
  return s;
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
  const std::string stamp = base::FormatLocalTime(time, "%Y-%m-%dT%H:%M:%S%z");
  // %z gives "+0200"; ISO 8601 with the date's dashes and the time's colons wants "+02:00".
  // Built by appending: GCC 12 at -O3 misreads an insert into the string as an overlapping
  // copy (-Wrestrict).
  const size_t n = stamp.size();
  if (n < 5 || (stamp[n - 5] != '+' && stamp[n - 5] != '-')) return stamp;
  std::string out(stamp, 0, n - 2);
  out += ':';
  out += std::string_view(stamp).substr(n - 2);
  return out;
}

double CodeVolts(int32_t code, double referenceVolts, double gain) {
  return code * referenceVolts / (kCodeFullScale * gain);
}

std::string CaptureExportText(const CaptureSettings& s, std::span<const int32_t> codes) {
  std::string out;
  // About 30 bytes a sample line.
  out.reserve(1024 + codes.size() * 32);
  Line(out, {"ADC capture"});
  Line(out, {"date: ", OneLine(s.dateTime)});
  Line(out, {"chip: ", OneLine(s.chipName)});
  Line(out, {"link: ", std::to_string(s.linkKind), " ", OneLine(s.linkName)});
  for (const ExportRegister& r : s.registers)
    Line(out, {"register ", Hex(r.address, 3), ": ", Hex(r.value, 2)});
  Line(out,
       {"PGA gain: ", std::to_string(s.gain.pga), " (PGA ", std::to_string(s.gain.pgaField), ")"});
  Line(out, {"ADC gain: ", std::to_string(s.gain.adgn), " (ADGN ", std::to_string(s.gain.adgnField),
             ")"});
  Line(out, {"FSRB: ", std::to_string(s.gain.fsrbField), " (x", std::to_string(s.gain.fsrb), ")"});
  Line(out, {"total gain: ", Shortest(s.totalGain)});
  Line(out, {"reference: \"", OneLine(s.referenceText), "\" = ", Shortest(s.referenceVolts), " V"});
  Line(out, {"output rate: ", s.outputRateSps ? Shortest(*s.outputRateSps) : "unknown",
             s.outputRateSps ? " sps" : ""});
  Line(out, {"resolution: ", std::to_string(s.bits), " bits"});
  Line(out, {"samples: ", std::to_string(codes.size())});
  Line(out, {"averaging: ", std::to_string(s.averaging),
             " (of the figures; the codes are the samples as captured)"});
  Line(out, {"capture: ", s.complete ? "complete" : "stopped or failed"});
  out += "index,code,volts";
  out += base::kCrLf;
  for (size_t i = 0; i < codes.size(); ++i) {
    out += std::to_string(i);
    out += ',';
    out += std::to_string(codes[i]);
    out += ',';
    out += Volts(CodeVolts(codes[i], s.referenceVolts, s.totalGain));
    out += base::kCrLf;
  }
  return out;
}

bool WriteCaptureExport(const std::filesystem::path& path, const std::string& text,
                        std::string& error) {
  return base::AtomicFile::Write(path, text, error);
}

}  // namespace qx::analysis

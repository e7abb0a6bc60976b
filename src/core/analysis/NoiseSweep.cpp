#include "core/analysis/NoiseSweep.h"

#include "core/analysis/CodeRange.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/link/LinkMonitor.h"
#include "core/panels/AdcTexts.h"

namespace qx::analysis {

namespace {
/// The ends of the 24-bit code range, where a converter driven beyond full scale stays.
}  // namespace

namespace {

constexpr const char* kSweptFields[] = {"PGA", "OSR", "HS"};
/// Fields whose registers the sweep reads first: the swept ones and the rest of the gain.
constexpr const char* kReadFields[] = {"PGA", "ADGN", "FSRB", "OSR", "HS"};

const chip::FieldDescriptor* Usable(const chip::ChipModel& chip, const char* key) {
  const auto it = chip.AdcFields.find(key);
  if (it == chip.AdcFields.end() || !it->second.present || it->second.width == 0 ||
      it->second.lsb >= 8)
    return nullptr;
  return &it->second;
}

/// Largest value the field can hold, capped at the last entry of its table.
int Largest(const chip::FieldDescriptor& f, int tableLast) {
  const int bits = std::min<int>(f.width, 8 - f.lsb);
  return std::min((1 << bits) - 1, tableLast);
}

std::string Format(const char* pattern, double v) {
  char text[48];
  std::snprintf(text, sizeof text, pattern, v);
  return text;
}

std::string Duration(double ms) {
  const long s = std::lround(std::max(ms, 0.0) / 1000);
  if (s >= 3600) return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
  if (s >= 60) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  return std::to_string(s) + " s";
}

/// The comma-separated whole numbers of `text`; false at the first item that is none.
bool SplitNumbers(const std::string& text, std::vector<int>& out, std::string& bad) {
  out.clear();
  size_t from = 0;
  while (from <= text.size()) {
    const size_t comma = std::min(text.find(',', from), text.size());
    std::string item = text.substr(from, comma - from);
    const auto first = item.find_first_not_of(" \t");
    const auto last = item.find_last_not_of(" \t");
    item = first == std::string::npos ? "" : item.substr(first, last - first + 1);
    int v = 0;
    const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
    if (item.empty() || ec != std::errc() || end != item.data() + item.size()) {
      bad = item;
      return false;
    }
    out.push_back(v);
    from = comma + 1;
  }
  return true;
}

template <class T, class Value>
std::string Listing(const std::vector<T>& items, Value value) {
  std::string text;
  for (const T& item : items) text += (text.empty() ? "" : ", ") + std::to_string(value(item));
  return text;
}

/// Picks the items of `all` whose value is in `text`, in the order given, each once.
template <class T, class Value>
bool Pick(const std::vector<T>& all, Value value, const std::string& text, const char* what,
          const char* unit, std::vector<T>& out, std::string& error) {
  std::vector<int> wanted;
  std::string bad;
  out.clear();
  const std::string has = "the chip's " + std::string(what) + "s are " + Listing(all, value) + unit;
  if (!SplitNumbers(text, wanted, bad)) {
    error = std::string(what) + " '" + bad + "' is not a whole number; " + has;
    return false;
  }
  for (int w : wanted) {
    const auto it = std::find_if(all.begin(), all.end(), [&](const T& t) { return value(t) == w; });
    if (it == all.end()) {
      error = "the chip has no " + std::string(what) + " " + std::to_string(w) + unit + "; " + has;
      return false;
    }
    if (std::find(out.begin(), out.end(), *it) == out.end()) out.push_back(*it);
  }
  return true;
}

}  // namespace

int SweepProgress::Percent() const {
  return cells > 0 ? std::clamp((cell - 1) * 100 / cells, 0, 100) : 0;
}

std::string SweepProgress::Text() const {
  return "Cell " + std::to_string(cell) + "/" + std::to_string(cells) + ": gain " +
         std::to_string(gain.gain) + ", " + std::to_string(rate.sps) + " sps, about " +
         Duration(remainingMs) + " left";
}

NoiseSweep::NoiseSweep(const Bench& bench)
    : bench_(bench), fields_(bench.access, bench.chip.AdcFields) {}

double NoiseSweep::BridgeLimitMs(int points, int sps) {
  const int results = std::max(points, 0) + kSettlingResults;
  const double converter = sps > 0 ? results * 1000.0 / sps : 0;
  const double polls = std::ceil(results / static_cast<double>(kResultsPerPoll)) * kPollMs;
  return std::max(converter, polls);
}

std::vector<SweepGain> NoiseSweep::ChipGains(const chip::ChipModel& chip) {
  std::vector<SweepGain> gains;
  const chip::FieldDescriptor* pga = Usable(chip, "PGA");
  if (!pga) return gains;
  const int last = Largest(*pga, static_cast<int>(chip.PgaGain.size()) - 1);
  for (int v = 0; v <= last; ++v) {
    const int g =
        chip.PgaGain[static_cast<size_t>(v)] == 0 ? 1 : chip.PgaGain[static_cast<size_t>(v)];
    if (std::none_of(gains.begin(), gains.end(), [g](const SweepGain& s) { return s.gain == g; }))
      gains.push_back({g, v});
  }
  return gains;
}

std::vector<SweepRate> NoiseSweep::ChipRates(const chip::ChipModel& chip) {
  std::vector<SweepRate> rates;
  const chip::FieldDescriptor* osr = Usable(chip, "OSR");
  if (!osr) return rates;
  const int last = Largest(*osr, 7);
  const int hsLast = Usable(chip, "HS") ? 1 : 0;
  for (int hs = 0; hs <= hsLast; ++hs)
    for (int v = 0; v <= last; ++v) {
      const int sps = panels::AdcTexts::RateSps(v, hs);
      if (std::none_of(rates.begin(), rates.end(),
                       [sps](const SweepRate& r) { return r.sps == sps; }))
        rates.push_back({sps, v, hs});
    }
  std::stable_sort(rates.begin(), rates.end(),
                   [](const SweepRate& a, const SweepRate& b) { return a.sps > b.sps; });
  return rates;
}

std::vector<SweepRate> NoiseSweep::DefaultRates(const chip::ChipModel& chip) {
  std::vector<SweepRate> rates = ChipRates(chip);
  std::erase_if(rates, [](const SweepRate& r) { return r.hs != 0; });
  return rates;
}

bool NoiseSweep::ParseGains(const chip::ChipModel& chip, const std::string& text,
                            std::vector<SweepGain>& out, std::string& error) {
  return Pick(
      ChipGains(chip), [](const SweepGain& g) { return g.gain; }, text, "gain", "", out, error);
}

bool NoiseSweep::ParseRates(const chip::ChipModel& chip, const std::string& text,
                            std::vector<SweepRate>& out, std::string& error) {
  return Pick(
      ChipRates(chip), [](const SweepRate& r) { return r.sps; }, text, "rate", " sps", out, error);
}

std::string NoiseSweep::Unsweepable(const chip::ChipModel& chip) {
  if (!Usable(chip, "PGA")) return "the chip description declares no PGA field";
  if (!Usable(chip, "OSR")) return "the chip description declares no OSR field";
  return {};
}

double NoiseSweep::BridgeLimitSumMs() const {
  double sum = 0;
  for (const SweepCell& c : cells_) sum += c.bridgeLimitMs;
  return sum;
}

SweepProgress NoiseSweep::Progress() {
  SweepProgress p;
  p.cells = static_cast<int>(cells_.size());
  if (current_ < 0 || current_ >= p.cells) {
    p.cell = static_cast<int>(std::count_if(cells_.begin(), cells_.end(), [](const SweepCell& c) {
      return c.state != SweepCell::State::Pending;
    }));
    return p;
  }
  const SweepCell& now = cells_[static_cast<size_t>(current_)];
  p.cell = current_ + 1;
  p.gain = now.gain;
  p.rate = now.rate;
  p.remainingMs = std::max(0.0, now.bridgeLimitMs - (bench_.clock.NowMs() - cellStartMs_));
  for (size_t k = static_cast<size_t>(current_) + 1; k < cells_.size(); ++k)
    p.remainingMs += cells_[k].bridgeLimitMs;
  return p;
}

void NoiseSweep::Report() {
  if (onProgress) onProgress(Progress());
}

void NoiseSweep::Stop() {
  stopped_ = true;
  // The capture's idle flag ends a capture that is under way at its next poll.
  if (running_ && bench_.capture.idle == 0) bench_.capture.idle = 1;
}

bool NoiseSweep::ReadRegisters() {
  const size_t from = bench_.target.LinkKind == link::kLinkQx740x ? 1 : 0;
  std::vector<uint16_t> read;
  for (const char* key : kReadFields) {
    const chip::FieldDescriptor* f = Usable(bench_.chip, key);
    if (!f) continue;
    if (std::find(read.begin(), read.end(), f->address) != read.end()) {
      fields_.Refresh(key);
      continue;
    }
    read.push_back(f->address);
    if (!bench_.access.ReadBytes(f->address, 1)) {
      char text[64];
      std::snprintf(text, sizeof text, "register %02X of the %s field cannot be read", f->address,
                    key);
      refusal_ = text;
      // The usual cause: no USB Scan yet, or the bridge went away.
      if (!bench_.target.Usb.Opened)
        refusal_ = std::string(link::kUsbNotConnect) + " (run USB Scan first): " + refusal_;
      return false;
    }
    bench_.access.SetRegImage(f->address, bench_.frame[from]);
    fields_.Refresh(key);
  }
  return true;
}

bool NoiseSweep::WriteField(const char* key, int value, std::string& why) {
  if (!Usable(bench_.chip, key)) {
    if (value == 0) return true;
    why = std::string("the chip description declares no ") + key + " field";
    return false;
  }
  if (fields_.Value(key) == value) return true;
  const uint16_t address = bench_.chip.AdcFields.at(key).address;
  if (!fields_.Write(key, value)) {
    why = std::string("the ") + key + " field cannot hold " + std::to_string(value);
    return false;
  }
  // The panel keeps the field values from the image; a write that did not take left it as is.
  if (fields_.Refresh(key) != value) {
    // Without the bridge nothing takes; that, not the register, is what the user must mend.
    if (!bench_.target.Usb.Opened) {
      why = std::string(link::kUsbNotConnect) + ": " + key + " = " + std::to_string(value) +
            " could not be written";
      return false;
    }
    char text[80];
    std::snprintf(text, sizeof text, "register %02X: %s = %d did not take", address, key, value);
    why = text;
    return false;
  }
  return true;
}

bool NoiseSweep::Select(const SweepCell& cell, std::string& why) {
  return WriteField("PGA", cell.gain.pga, why) && WriteField("OSR", cell.rate.osr, why) &&
         WriteField("HS", cell.rate.hs, why);
}

void NoiseSweep::Restore() {
  // Whole bytes, written even where the image did not change: the stream start writes the
  // interrupt bits into the rate register behind the image's back.
  for (const auto& [address, byte] : saved_) bench_.access.WriteReg(address, byte);
  for (const char* key : kReadFields)
    if (Usable(bench_.chip, key)) fields_.Refresh(key);
}

void NoiseSweep::Capture(SweepCell& cell, int points, const std::string& reference) {
  AdcCapture& capture = bench_.capture;
  capture.halving = true;
  const bool ok = capture.CatchACDCOM(reference, kMode);
  capture.halving = false;
  cell.samples = capture.Count();
  cell.elapsedMs = bench_.clock.NowMs() - cellStartMs_;
  if (stopped_) {
    cell.state = SweepCell::State::Stopped;
  } else if (ok) {
    cell.state = SweepCell::State::Done;
    cell.figures = bench_.noise.groups[0];
    cell.overRange = OverRangeCount(capture.StreamedCodes());
  } else {
    cell.state = SweepCell::State::Failed;
    cell.failure = std::string(kReadError) + " (" + std::to_string(cell.samples) + " of " +
                   std::to_string(points) + " samples)";
    if (!capture.FailureReason().empty()) cell.failure += ": " + capture.FailureReason();
  }
}

bool NoiseSweep::Run(const SweepPlan& plan) {
  refusal_.clear();
  if (running_) {
    refusal_ = "the sweep is running";
    return false;
  }
  if (bench_.capture.idle == 0) {
    refusal_ = kBusy;
    return false;
  }
  if (const std::string why = Unsweepable(bench_.chip); !why.empty()) {
    refusal_ = why;
    return false;
  }
  if (plan.gains.empty() || plan.rates.empty()) {
    refusal_ = plan.gains.empty() ? "no gain chosen" : "no rate chosen";
    return false;
  }
  cells_.clear();
  for (const SweepGain& g : plan.gains)
    for (const SweepRate& r : plan.rates) {
      SweepCell cell;
      cell.gain = g;
      cell.rate = r;
      cell.bridgeLimitMs = BridgeLimitMs(plan.Points(), r.sps);
      cells_.push_back(cell);
    }
  stopped_ = false;
  if (!ReadRegisters()) return false;

  running_ = true;
  saved_.clear();
  for (const char* key : kSweptFields) {
    const chip::FieldDescriptor* f = Usable(bench_.chip, key);
    if (f && std::none_of(saved_.begin(), saved_.end(),
                          [f](const auto& r) { return r.first == f->address; }))
      saved_.emplace_back(f->address, bench_.access.GetRegImage(f->address));
  }
  savedScale_ = bench_.settings.ScaleIndex;
  savedPointIndex_ = bench_.settings.NPointIndex;
  savedPoints_ = bench_.settings.PointCount;
  savedDivisor_ = bench_.settings.CodeDivisor;
  bench_.capture.TXScaleChange(plan.bits - 8);
  bench_.capture.NPointIndexChange(plan.pointIndex);

  for (size_t k = 0; k < cells_.size() && !stopped_; ++k) {
    current_ = static_cast<int>(k);
    cellStartMs_ = bench_.clock.NowMs();
    Report();
    SweepCell& cell = cells_[k];
    std::string why;
    if (!Select(cell, why)) {
      cell.state = SweepCell::State::Failed;
      cell.failure = why;
    } else if (stopped_) {
      cell.state = SweepCell::State::Stopped;
    } else {
      Capture(cell, plan.Points(), plan.reference);
    }
    Report();
  }
  current_ = -1;
  Restore();
  bench_.settings.ScaleIndex = savedScale_;
  bench_.capture.SyncFromSettings();
  bench_.settings.CodeDivisor = savedDivisor_;
  bench_.settings.NPointIndex = savedPointIndex_;
  bench_.settings.PointCount = savedPoints_;
  running_ = false;
  return std::all_of(cells_.begin(), cells_.end(),
                     [](const SweepCell& c) { return c.state == SweepCell::State::Done; });
}

std::vector<std::string> SweepHeaders(bool ascii) {
  return {"Gain",
          "Rate (sps)",
          "OSR",
          "HS",
          "Points",
          "RMS noise (nV)",
          ascii ? "RMS noise (uV)" : "RMS noise (\u00B5V)",
          "Vp-p noise (nV)",
          "ENOB (bits)",
          "Noise-free bits",
          "RMS noise (codes)",
          "Status"};
}

int OverRangeCells(const std::vector<SweepCell>& cells) {
  return static_cast<int>(std::count_if(cells.begin(), cells.end(), [](const SweepCell& c) {
    return c.state == SweepCell::State::Done && c.overRange > 0;
  }));
}

std::vector<std::string> SweepRowTexts(const SweepCell& cell) {
  std::vector<std::string> row = {std::to_string(cell.gain.gain), std::to_string(cell.rate.sps),
                                  std::to_string(cell.rate.osr), std::to_string(cell.rate.hs),
                                  std::to_string(cell.samples)};
  const NoiseFigures& f = cell.figures;
  const bool done = cell.state == SweepCell::State::Done;
  for (const std::string& figure :
       {Format("%.2f", f.rmsNv), Format("%.4f", f.rmsNv / 1000), Format("%.2f", f.vppNv),
        Format("%.2f", f.enob), Format("%.2f", f.noiseFreeBits), Format("%.3f", f.rmsCodes)})
    row.push_back(done ? figure : "");
  switch (cell.state) {
    case SweepCell::State::Done:
      row.push_back(cell.overRange == 0
                        ? std::string("ok")
                        : "over range: " + std::to_string(cell.overRange) + " of " +
                              std::to_string(cell.samples) + " samples at full scale");
      break;
    case SweepCell::State::Failed:
      row.push_back("failed: " + cell.failure);
      break;
    case SweepCell::State::Stopped:
      row.push_back("stopped");
      break;
    case SweepCell::State::Pending:
      row.push_back("not run");
      break;
  }
  return row;
}

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& row, const char* separator, bool csv) {
  std::string line;
  for (size_t i = 0; i < row.size(); ++i) {
    std::string field = csv ? CsvField(row[i]) : row[i];
    if (!csv)
      std::replace_if(
          field.begin(), field.end(), [](char c) { return c == '\t'; }, ' ');
    line += (i ? separator : "") + field;
  }
  return line;
}

template <class Each>
void RunCells(const std::vector<SweepCell>& cells, Each each) {
  for (const SweepCell& c : cells)
    if (c.state != SweepCell::State::Pending) each(SweepRowTexts(c));
}

/// Display width of UTF-8 text: one per character.
size_t Width(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

std::string SweepCsv(const std::vector<SweepCell>& cells) {
  std::string text = Joined(SweepHeaders(true), ",", true) + "\r\n";
  RunCells(cells,
           [&](const std::vector<std::string>& row) { text += Joined(row, ",", true) + "\r\n"; });
  return text;
}

std::string SweepTabText(const std::vector<SweepCell>& cells) {
  std::string text = Joined(SweepHeaders(false), "\t", false) + "\n";
  RunCells(cells,
           [&](const std::vector<std::string>& row) { text += Joined(row, "\t", false) + "\n"; });
  return text;
}

std::string SweepTableText(const std::vector<SweepCell>& cells) {
  std::vector<std::vector<std::string>> rows{SweepHeaders(false)};
  RunCells(cells, [&](const std::vector<std::string>& row) { rows.push_back(row); });
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string pad(widths[i] - Width(row[i]), ' ');
      // Numbers right-aligned, the status (last column) left-aligned without trailing blanks.
      line += (i ? "  " : "") + (i + 1 < row.size() ? pad + row[i] : row[i]);
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace qx::analysis

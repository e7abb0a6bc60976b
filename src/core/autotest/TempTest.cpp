#include "core/autotest/TempTest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/analysis/CodeRange.h"
#include "core/autotest/NumberText.h"
#include "core/autotest/RegisterListFiles.h"
#include "core/autotest/RunExport.h"
#include "core/base/ProgramVersion.h"
#include "core/chip/TextConvert.h"
#include "core/instruments/ChamberLimits.h"

namespace qx::autotest {

namespace {

constexpr uint16_t kSetPointAddress = 0x0102;
constexpr uint16_t kRampAddress = 0x0106;
constexpr uint16_t kPresentAddress = 0x0001;
constexpr double kRetryMs = 1000;
constexpr double kPumpSliceMs = 100;
constexpr int kMeterReadings = 4;
constexpr int kMeterRetries = 2;

// Four hex digits of a chamber reply at `from`, as a signed 16-bit number; nothing when the
// reply is too short or holds other characters there.
std::optional<int> ReplyWord(const instruments::InstrumentPorts& ports, size_t from) {
  if (ports.RxCount < from + 4) return std::nullopt;
  int value = 0;
  for (size_t i = from; i < from + 4; ++i) {
    const uint8_t c = ports.RxBuffer[i];
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
  }
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

// A whole number typed in a box; anything else counts as 0.
int WholeNumber(const std::string& text) {
  return static_cast<int>(chip::DecimalValue(text));
}

std::string HeldText(double seconds) {
  const long s = static_cast<long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

/// Status panel 1 during the chamber's wait: where it is and where it is going.
std::string ChamberText(int presentTenths, double targetTenths) {
  return "Chamber " + FixedTwo(presentTenths / 10.0) + " °C, set " + FixedTwo(targetTenths / 10.0) +
         " °C";
}

TextRows Rows(const auto& grid, int columns) {
  TextRows rows(static_cast<size_t>(grid.RowCount()));
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < columns; ++c) rows[static_cast<size_t>(r)].push_back(grid.Cell(c, r));
  return rows;
}

template <class Grid>
void FillRows(Grid& grid, const TextRows& rows) {
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      grid.SetCell(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
}

}  // namespace

int TempProgress::Percent() const {
  const int total = points * modes;
  return total > 0 ? std::clamp(modesDone * 100 / total, 0, 100) : 0;
}

std::string TempProgress::Text() const {
  std::string text = "Point " + std::to_string(point) + "/" + std::to_string(points) +
                     (heading ? ", chamber to " + FixedTwo(setPoint) + " °C"
                              : ", mode " + std::to_string(mode) + "/" + std::to_string(modes));
  if (remainingS > 0) {
    const long minutes = std::lround(remainingS / 60);
    text += ", about ";
    text += minutes >= 60
                ? std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min left"
                : std::to_string(std::max(minutes, 1L)) + " min left";
  }
  return text;
}

TempTest::TempTest(const Bench& bench)
    : bench_(bench), traffic_(bench.ports, bench.clock, bench.host) {
  FormCreate();
}

void TempTest::FormCreate() {
  TMPCNTSETClick();
  data.Prepare(std::max(data.Columns(), 5), TempCount + 1, TempCount);
  static constexpr const char* kLabels[] = {"平均值", "RMS", "Noise", "Enob"};
  for (int c = 1; c <= 4; ++c) data.SetCell(c, 0, kLabels[c - 1]);
  form.measure = TempForm::Measure::Adc;
}

TempPointTable::Built TempTest::TMPCNTSETClick() {
  auto built = temps.Build(form.tempCount, form.tempStart, form.tempStep);
  form.tempCount = built.countText;
  TempCount = built.count;
  // Only the row count changes: the results shown and the "D - m" headers stay.
  data.ResizeRows(TempCount + 1, TempCount);
  if (!built.message.empty()) bench_.host.SetStatus(2, built.message);
  Changed();
  return built;
}

int TempTest::Modenum() {
  const int n = RegStepTable::ParseModeCount(form.modeCount);
  if (std::to_string(n) != form.modeCount && n == RegStepTable::kDefaultModes)
    form.modeCount = std::to_string(n);
  regs.Apply(n);
  bench_.fluke.Resize(n + 1);
  bench_.power.Resize(n + 1);
  Changed();
  return n;
}

void TempTest::EModenumKeyPress() {
  const int n = Modenum();
  bench_.fluke.INI(n);
}

bool TempTest::LoadTemp() {
  const int t = TempIndex;
  std::array<int16_t, 4> v{};
  for (int c = 1; c <= 4; ++c) {
    const auto number = temps.Number(c, t);
    if (!number) {
      loadFailure_ = NotANumber(c, t);
      return false;
    }
    v[static_cast<size_t>(c - 1)] = static_cast<int16_t>(std::floor(*number) * 10);
  }
  auto write = [&](uint16_t address, std::span<const int16_t> words) {
    if (bench_.ports.ChamberWrite(address, words)) return true;
    bench_.clock.WaitMs(kRetryMs);
    return bench_.ports.ChamberWrite(address, words);
  };
  loadFailure_ = SetPointRefused();
  if (!write(kSetPointAddress, std::span(v).first(2)) ||
      !write(kRampAddress, std::span(v).subspan(2, 2)))
    return false;
  loadFailure_.clear();
  return true;
}

std::string TempTest::NotANumber(int column, int point) const {
  return "Temperature table: point " + std::to_string(point) + ", column " +
         std::to_string(column) + " (\"" + temps.Cell(column, point) + "\") is not a number";
}

std::string TempTest::ChamberSilent() const {
  return std::string(kChamberSilent) + " at point " + std::to_string(TempIndex) +
         " (twice); the point's modes are not measured";
}

std::string TempTest::SetPointRefused() const {
  return "The chamber did not take the set point of point " + std::to_string(TempIndex) +
         " (no OK to the write, twice)";
}

bool TempTest::ReadTemp(int& present, int& setValue) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) bench_.clock.WaitMs(kRetryMs);
    if (!bench_.ports.ChamberRead(kPresentAddress, 2)) continue;
    const auto pv = ReplyWord(bench_.ports, 10);
    const auto sv = ReplyWord(bench_.ports, 15);
    if (!pv || !sv) continue;
    present = *pv;
    setValue = *sv;
    chamberTenths_ = present;
    return true;
  }
  return false;
}

bool TempTest::CheckTables(bool withChamber) {
  if (ModeCount == 0) {
    Fail("The register table holds no mode: value column 1 of row 1 has no hex digit");
    return false;
  }
  // What the run would write, wait and capture with: never a guess made from a cell that
  // holds no such number (the list files are checked line by line before they are loaded).
  auto trimmed = [](std::string_view v) {
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return v;
  };
  auto refuse = [&](const std::string& where, std::string_view cell, const char* needed) {
    Fail("Register table: " + where + ": \"" + std::string(cell) + "\" is not " + needed);
    return false;
  };
  for (int c = 1; c <= AddrCount; ++c)
    if (!RegisterListFiles::UsableByte(trimmed(regs.Cell(c, 0))))
      return refuse("Address column " + std::to_string(c), regs.Cell(c, 0),
                    "a register address 00 to FF");
  for (int m = 1; m <= ModeCount; ++m) {
    const std::string row = "Value-" + std::to_string(m);
    for (int c = 1; c <= AddrCount; ++c) {
      const auto cell = trimmed(regs.Cell(c, m));
      if (!cell.empty() && !RegisterListFiles::UsableByte(cell))
        return refuse(row + ", column " + std::to_string(c), cell, "a register value 00 to FF");
    }
    const auto delay = trimmed(regs.Cell(RegStepTable::kDelayColumn, m));
    if (!delay.empty() && !RegisterListFiles::UsableDelay(delay))
      return refuse(row + ", Delay", delay, RegisterListFiles::kDelayNeeded);
    const auto acm = trimmed(regs.Reference(m));
    if (!acm.empty() && !RegisterListFiles::UsableAcm(acm))
      return refuse(row + ", ACM", acm, RegisterListFiles::kAcmNeeded);
  }
  if (const auto wait = qx::autotest::WholeNumber(trimmed(form.linkWaitMinutes));
      !wait || *wait < 0 || *wait > kMaxLinkWaitMinutes) {
    Fail("USB bridge wait: \"" + form.linkWaitMinutes +
         "\" is not a whole number of minutes from 0 to " + std::to_string(kMaxLinkWaitMinutes));
    return false;
  }
  const int lastColumn = withChamber ? 4 : 2;
  for (int t = 1; t <= TempCount; ++t)
    for (int c = 1; c <= lastColumn; ++c) {
      const auto number = temps.Number(c, t);
      if (!number) {
        Fail(NotANumber(c, t));
        return false;
      }
      // The same set points that `instrument chamber set` takes by hand.
      const std::string refusal =
          withChamber ? instruments::ChamberLimits::Refusal(c, *number) : std::string();
      if (!refusal.empty()) {
        Fail("Temperature table: point " + std::to_string(t) + ": " + refusal);
        return false;
      }
    }
  return true;
}

bool TempTest::TESTINI() {
  Running = true;
  TempIndex = 1;
  failed_.clear();
  endReason_.clear();
  lastFailure_.clear();
  meterChannels_ = 0;  // "Channel - " counts this run's meters, not the last run's
  results.ClearMarks();
  Modenum();
  SizeRun();
  Changed();
  return true;
}

void TempTest::SizeRun() {
  TempCount = temps.Points();
  AddrCount = regs.AddressCount();
  ModeCount = regs.ModeCount();
  data.Prepare(ModeCount + 1, TempCount + 1, TempCount);
  results.Resize(TempCount, ModeCount);
  todo_.assign(static_cast<size_t>(std::max(TempCount, 0)) * static_cast<size_t>(ModeCount), 1);
}

bool TempTest::Todo(int point, int mode) const {
  if (point < 1 || point > TempCount || mode < 1 || mode > ModeCount) return false;
  return todo_[static_cast<size_t>(point - 1) * static_cast<size_t>(ModeCount) +
               static_cast<size_t>(mode - 1)] != 0;
}

void TempTest::SkipFinishedPoints() {
  auto anyTodo = [this](int t) {
    for (int m = 1; m <= ModeCount; ++m)
      if (Todo(t, m)) return true;
    return false;
  };
  while (TempIndex <= TempCount && !anyTodo(TempIndex)) ++TempIndex;
}

bool TempTest::Pause(double ms) {
  const double end = bench_.clock.NowMs() + ms;
  while (Running) {
    const double left = end - bench_.clock.NowMs();
    if (left <= 0) break;
    bench_.clock.WaitMs(std::min(left, kPumpSliceMs));
    bench_.host.PumpEvents();
  }
  return Running;
}

void TempTest::ChangeRegStep(uint8_t address, uint8_t value) {
  bench_.access.WriteReg(address, value);
}

void TempTest::TTESTCOM() {
  const int t = TempIndex;
  bench_.monitor.Disconnect();
  bench_.monitor.CheckLink();
  for (int m = 1; m <= ModeCount && Running; ++m) {
    if (!Todo(t, m)) continue;  // measured before the run was resumed
    ModeDone = false;
    ModeTries = 0;
    int rawFile = -1;
    std::string failure;
    int overRange = 0;
    Report(t, m);
    while (!ModeDone && Running) {
      // The point's set temperature is known from the table whether or not the bridge answers,
      // so a failed mode never leaves a 0.00 °C in the files.
      results.SetTarget(t, temps.Number(1, t).value_or(0), temps.Number(2, t).value_or(0));
      if (UsbOpen())
        bench_.host.SetStatus(
            1, "Channel - " + std::to_string(meterChannels_) + " , Step - " + std::to_string(m));
      traffic_.PowerStep(bench_.power, m, form.powerDelay);
      traffic_.FlukeStep(bench_.fluke, m, form.keepOperating);
      if (UsbOpen())
        for (int c = 1; c <= AddrCount; ++c) ChangeRegStep(regs.Address(c), regs.Value(c, m));
      traffic_.FlukeOperStep(bench_.fluke, m);

      bench_.clock.WaitMs(kSettleMs);
      bench_.capture.ClrTMP();
      captureEnabled = false;
      Changed();
      const int delay = regs.DelaySeconds(m);
      const auto going = [this] { return Running; };
      if (bench_.capture.WaitTRIGER(delay, going)) bench_.capture.WaitTRIGER(delay, going);
      if (!Running) {
        // Stopped before the input settled: a capture now would measure the step's transient,
        // so the mode stays unfinished, unrecorded, and a resumed run measures it again.
        captureEnabled = true;
        Changed();
        break;
      }

      failure.clear();
      if (form.MeasuresAdc()) {
        for (uint16_t a = 0; a <= 4; ++a) bench_.access.ReadBytes(a, 1);
        const std::string& reference = regs.Reference(m);
        if (onReferenceText) onReferenceText(reference);
        if (UsbOpen()) {
          uint8_t kind = 1;
          if (form.capture == TempForm::Capture::Temperature)
            kind = 2;
          else if (bench_.settings.FastRead)
            kind = 3;
          (kind == 2 ? bench_.capture.fullWidth : bench_.capture.halving) = true;
          ModeDone = bench_.capture.CatchACDCOM(reference, kind);
          bench_.capture.fullWidth = false;
          bench_.capture.halving = false;
          overRange = 0;
          if (ModeDone) {
            results.SetStats(t, m, bench_.noise);
            overRange = analysis::OverRangeCount(bench_.capture.StreamedCodes());
          } else {
            failure = bench_.capture.FailureReason();
          }
        }
        if (!ModeDone && failure.empty()) failure = link::kUsbNotConnect;
      }
      if (form.MeasuresMeters()) MeasureMeters(t, m);
      // Whatever the noise record and the meters hold now, a failed capture is no measurement.
      if (!failure.empty()) results.SetMark(t, m, TempResults::Mark::None);
      if (failure.empty() && overRange > 0) results.SetMark(t, m, TempResults::Mark::OverRange);

      data.SetCell(m, t, failure.empty() ? ResultCell(t, m) : std::string(kFailedCell));
      captureEnabled = true;
      if (!ENSaveClick()) StopWriting(writeError_);
      Changed();
      if (!Running) break;

      if (form.fullFiles && ModeDone) {
        rawFile = RawFileNumber;
        WriteRaw();
        if (!Running) {
          // Without its raw file the mode is not finished: a resumed run measures it again.
          ModeDone = false;
          break;
        }
      }
      if (!failure.empty() && !bench_.monitor.EnsureOnline()) {
        // The bridge left the bus: that attempt says nothing about the mode. Once the bridge
        // is back the mode is measured again with all its attempts left.
        if (!WaitForLink(t, m)) break;
        continue;
      }
      if (!ModeDone && ++ModeTries >= kModeAttempts) ModeDone = true;
    }
    if (ModeDone) {
      if (failure.empty() && overRange > 0) {
        const std::string text = "point " + std::to_string(t) + ", mode " + std::to_string(m) +
                                 ": " + kOverRange + ": " + std::to_string(overRange) + " of " +
                                 std::to_string(bench_.capture.StreamedCodes().size()) +
                                 " samples at the end of the code range; its figures measure "
                                 "the clipping, not the noise";
        bench_.host.SetStatus(2, text);
        Notice(text);
      }
      if (!failure.empty()) {
        results.SetMark(t, m, TempResults::Mark::Failed);
        ModeFailed(t, m, failure);
        // The point now counts as reached: its temperature shows.
        if (!ENSaveClick()) StopWriting(writeError_);
      }
      RecordMode(t, m, rawFile, failure, overRange);
      if (failure.empty() && onModeFinished) onModeFinished(t, m);
    }
  }
  ++TempIndex;
}

bool TempTest::WaitForLink(int point, int mode) {
  const double minutes = std::max(static_cast<double>(WholeNumber(form.linkWaitMinutes)), 0.0);
  const double end = bench_.clock.NowMs() + minutes * 60'000;
  const std::string where = "point " + std::to_string(point) + ", mode " + std::to_string(mode);
  Notice("USB bridge lost at " + where + "; waiting for the USB bridge up to " +
         HeldText(minutes * 60) + " (h:mm:ss)");
  progress_.linkWaitEndMs = end;
  while (Running) {
    if (bench_.monitor.EnsureOnline()) {
      progress_.linkWaitEndMs = 0;
      Notice("USB bridge back; measuring " + where + " again");
      return true;
    }
    const double left = end - bench_.clock.NowMs();
    if (left <= 0) break;
    bench_.host.SetStatus(2, "waiting for the USB bridge, " + HeldText(left / 1000) + " left");
    Pause(std::min(left, kRetryMs));
  }
  progress_.linkWaitEndMs = 0;
  if (Running) {
    endReason_ = "stopped: link lost at " + where;
    bench_.host.SetStatus(2, endReason_);
    Running = false;
  }
  return false;
}

void TempTest::ModeFailed(int point, int mode, const std::string& why) {
  failed_.push_back({point, mode, why});
  const std::string text = "point " + std::to_string(point) + ", mode " + std::to_string(mode) +
                           " failed after " + std::to_string(kModeAttempts) + " attempts: " + why;
  bench_.host.SetStatus(2, text);
  Notice(text);
}

void TempTest::Notice(const std::string& text) {
  if (onNotice) onNotice(text);
}

void TempTest::MeasureMeters(int point, int mode) {
  meterChannels_ = 0;
  auto& ports = bench_.ports;
  for (size_t i = 0; i < instruments::InstrumentPorts::kMeterCount; ++i) {
    if (!ports.MeterPorts[i].Selected) continue;
    std::array<double, kMeterReadings> values{};
    std::string unit;
    for (int r = 0; r < kMeterReadings; ++r) {
      auto reading = ports.MeterRead(i);
      for (int retry = 0; reading.error && retry < kMeterRetries; ++retry) {
        bench_.clock.WaitMs(1000);
        reading = ports.MeterRead(i);
      }
      values[static_cast<size_t>(r)] = reading.value;
      unit = ports.MeterUnit();
    }
    // The median of four: the mean of the middle two, so one wild reading does not count.
    std::sort(values.begin(), values.end());
    results.SetMeter(static_cast<int>(i), point, mode, (values[1] + values[2]) / 2, unit);
    ++meterChannels_;
  }
}

void TempTest::WriteRaw() {
  const int count = bench_.capture.Count();
  std::vector<double> samples(static_cast<size_t>(std::max(count, 0)));
  const auto& cells = bench_.capture.Cells();
  for (int i = 0; i < count; ++i)
    samples[static_cast<size_t>(i)] =
        form.adcAndTemp ? bench_.capture.Working(i) : std::floor(cells.At(i).value);
  std::string error;
  const std::string text = temp_text::RawSamples(samples, bench_.noise, form.adcAndTemp, {});
  if (!writer_.WriteRaw(RawFileNumber, text, error)) {
    StopWriting(error);
    return;
  }
  ++RawFileNumber;
}

void TempTest::StopWriting(const std::string& why) {
  // An unattended run must not go on without its output, nor wait for a click on an error
  // box: it stops, resumable, with the file and the reason in the status bar.
  if (endReason_.empty()) endReason_ = "stopped: " + why;
  bench_.host.SetStatus(2, endReason_);
  Running = false;
}

bool TempTest::SaveOutA() {
  std::string error;
  const auto text =
      temp_text::Summary(results, TempCount, ModeCount, temps.Cell(1, 0), temps.Cell(2, 0));
  if (writer_.Write(kTempSummaryFile, "", text, error).empty()) {
    writeError_ = error;
    bench_.host.SetStatus(2, error);
    return false;
  }
  return true;
}

bool TempTest::ENSaveClick() {
  std::string error;
  bool ok = true;
  const auto text =
      temp_text::Results(results, TempCount, ModeCount, form.adcAndTemp, TestNumber());
  if (writer_.Write(kTempResultFile, kTempResultFallback, text, error).empty()) {
    writeError_ = error;
    bench_.host.SetStatus(2, error);
    ok = false;
  }
  if (form.measure != TempForm::Measure::Adc) {
    const auto meters = temp_text::Meters(results, TempCount, ModeCount);
    if (writer_.Write(kTempMeterFile, kTempMeterFallback, meters, error).empty()) {
      writeError_ = error;
      bench_.host.SetStatus(2, error);
      ok = false;
    }
  }
  return ok;
}

bool TempTest::FlukeSTBYClick() {
  return traffic_.FlukeStandby();
}

bool TempTest::FlukeOPER() {
  return traffic_.FlukeOperate();
}

void TempTest::LK330mVClick(bool checked) {
  form.lock330mV = checked;
  if (checked) form.lock3V = false;
  Changed();
}

void TempTest::LK3VClick(bool checked) {
  form.lock3V = checked;
  if (checked) form.lock330mV = false;
  Changed();
}

void TempTest::LKENTERClick() {
  auto& ports = bench_.ports;
  auto send = [&](const char* text) {
    ports.PortWriteText(ports.FlukePort, text);
    ports.PortWriteText(ports.FlukePort, "\r");
  };
  send("STBY");
  if (form.lock3V || form.lock330mV) {
    send("RANGELCK OFF");
    send(form.lock3V ? "OUT 600 mV ,0 Hz " : "OUT 100 mV ,0 Hz ");
    send("RANGELCK ON");
    send("OUT 0 V ,0 Hz");
  } else {
    send("RANGELCK OFF");
  }
}

std::string TempTest::ResultCell(int point, int mode) const {
  // A run of the multimeters alone never captures: its ADC mean is no 0.00 reading.
  if (!form.MeasuresAdc() && results.Measured(point, mode)) return {};
  switch (results.State(point, mode)) {
    case TempResults::Mark::Measured:
      return FixedTwo(results.Stat(0, point, mode));
    case TempResults::Mark::OverRange:
      return FixedTwo(results.Stat(0, point, mode)) + " " + kOverRange;
    case TempResults::Mark::Failed:
      return kFailedCell;
    case TempResults::Mark::None:
      break;
  }
  return {};
}

void TempTest::TMPDataClick() {
  for (int t = 1; t <= TempCount; ++t)
    for (int m = 1; m <= ModeCount; ++m) data.SetCell(m, t, ResultCell(t, m));
  Changed();
}

void TempTest::Button1Click() {
  if (!bench_.ports.ChamberRun()) bench_.host.SetStatus(2, kRunError);
}

void TempTest::Button2Click() {
  bench_.ports.ChamberStop();
  Running = false;
}

void TempTest::Fail(const std::string& why) {
  lastFailure_ = why;
  bench_.host.ShowError(why);
  bench_.host.SetStatus(2, why);
}

TempTest::RunEnd TempTest::TBgClick() {
  return RunHoldingButtons(true);
}

TempTest::RunEnd TempTest::TTestClick() {
  return RunHoldingButtons(false);
}

TempTest::RunEnd TempTest::RunHoldingButtons(bool withChamber) {
  // One run at a time: both start buttons wait for it, whichever started it.
  beginEnabled = false;
  testEnabled = false;
  Changed();
  // The gauge shows the whole run; each capture would otherwise run it from 0 to 100 %.
  bench_.capture.drivesGauge = false;
  const RunEnd end = Run(withChamber);
  bench_.capture.drivesGauge = true;
  beginEnabled = true;
  testEnabled = true;
  Changed();
  return end;
}

TempTest::RunEnd TempTest::Run(bool withChamber) {
  if (Running) return RunEnd::Failed;  // the other run button was pressed during a run
  progress_ = TempProgress{};  // nothing of the last run's place shows while this one starts
  TESTINI();
  // Tables a new run cannot use are refused before the journal holds a run for them: a run
  // that never began would stay there as unfinished. A resumed run checks its own tables.
  const bool mayResume = journal_ && resume != Resume::Never && journal_->Unfinished();
  if ((!mayResume && !CheckTables(withChamber)) || !StartJournal(withChamber) ||
      !CheckTables(withChamber)) {
    Running = false;
    if (journal_ && runId_ != 0) journal_->End(runId_, RunState::Failed);
    return RunEnd::Failed;
  }
  runStart_ = bench_.clock.NowMs();
  SkipFinishedPoints();
  modesAtStart_ = progress_.modesDone =
      static_cast<int>(std::count(todo_.begin(), todo_.end(), uint8_t{0}));
  const RunEnd end = withChamber ? ChamberRun() : NoChamberRun();
  if (end == RunEnd::Completed && !failed_.empty()) {
    endReason_ = "completed with " + std::to_string(failed_.size()) + " failed modes";
    bench_.host.SetStatus(2, endReason_);
  }
  if (journal_ && runId_ != 0) {
    static constexpr RunState kStates[] = {RunState::Completed, RunState::Stopped,
                                           RunState::Failed};
    // A run with failed modes stays open: a resumed run measures them again.
    journal_->End(runId_, failed_.empty()            ? kStates[static_cast<int>(end)]
                          : end == RunEnd::Completed ? RunState::Failed
                                                     : kStates[static_cast<int>(end)]);
  }
  bench_.host.SetProgress(0, false);
  return end;
}

TempTest::RunEnd TempTest::ChamberRun() {
  const int holdMinutes = WholeNumber(form.holdMinutes);
  RunEnd end = RunEnd::Failed;
  // The closing steps talk to the calibrator, whose reply takes status panel 2, so the reason
  // a run failed is shown after them.
  auto closing = [&](RunEnd e, const std::string& why = {}) {
    end = e;
    if (!Closing() && end == RunEnd::Completed) end = RunEnd::Stopped;
    if (!why.empty()) Fail(why);
    return end;
  };

  if (TempIndex > TempCount) return closing(RunEnd::Completed);
  if (!LoadTemp()) return closing(RunEnd::Failed, loadFailure_);
  ReportHeading(TempIndex);
  if (!bench_.ports.ChamberRun()) {
    bench_.clock.WaitMs(kRetryMs);
    if (!bench_.ports.ChamberRun()) {
      return closing(RunEnd::Failed, kRunError);
    }
  }
  while (Running && TempIndex <= TempCount) {
    bench_.host.PumpEvents();
    int pv = 0, sv = 0;
    if (!ReadTemp(pv, sv)) return closing(RunEnd::Failed, ChamberSilent());
    const double target = 10 * temps.Number(1, TempIndex).value_or(0);
    bench_.host.SetStatus(1, ChamberText(pv, target));
    if (std::abs(pv - target) >= kTolerance) {
      if (!Pause(kRetryMs)) return closing(RunEnd::Stopped);
      continue;
    }
    WaitStart = bench_.clock.NowMs();
    bool restart = false;
    while (!restart) {
      if (!Pause(kRetryMs)) return closing(RunEnd::Stopped);
      if (!ReadTemp(pv, sv)) return closing(RunEnd::Failed, ChamberSilent());
      if (std::abs(pv - target) >= kTolerance) {
        restart = true;  // the chamber left the band: the hold starts again
        break;
      }
      bench_.host.PumpEvents();
      if (!Running) return closing(RunEnd::Stopped);
      const double held = (bench_.clock.NowMs() - WaitStart) / 1000;
      bench_.host.SetStatus(1, ChamberText(pv, target));
      bench_.host.SetStatus(
          2, "Held " + HeldText(held) + " of " + std::to_string(holdMinutes) + " min");
      if (held > 60.0 * holdMinutes) {
        TTESTCOM();
        if (!Running) return closing(RunEnd::Stopped);
        SkipFinishedPoints();
        if (TempIndex > TempCount) return closing(RunEnd::Completed);
        if (!LoadTemp()) return closing(RunEnd::Failed, loadFailure_);
        ReportHeading(TempIndex);
        break;
      }
    }
  }
  return closing(Running ? RunEnd::Completed : RunEnd::Stopped);
}

TempTest::RunEnd TempTest::NoChamberRun() {
  while (Running && TempIndex <= TempCount) {
    TTESTCOM();
    SkipFinishedPoints();
  }
  // Running is cleared only by a stop (the user's, or a lost link), never by the last point.
  const RunEnd end = Running ? RunEnd::Completed : RunEnd::Stopped;
  return Closing() ? end : RunEnd::Stopped;
}

bool TempTest::Closing() {
  Running = false;
  const bool saved = SaveOutA();
  if (!saved) StopWriting(writeError_);
  bench_.ports.ChamberStop();
  FlukeSTBYClick();
  // The calibrator's reply took status panel 2; the reason the run stopped goes back there.
  if (!endReason_.empty()) bench_.host.SetStatus(2, endReason_);
  Changed();
  return saved;
}

void TempTest::ReportHeading(int point) {
  Report(point, 0);
  progress_.heading = true;
  progress_.setPoint = temps.Number(1, point).value_or(0);
  if (onProgress) onProgress(progress_);
}

void TempTest::Report(int point, int mode) {
  progress_.heading = false;
  progress_.point = point;
  progress_.points = TempCount;
  progress_.mode = mode;
  progress_.modes = ModeCount;
  progress_.modesDone = (point - 1) * ModeCount + std::max(mode - 1, 0);
  const int done = progress_.modesDone - modesAtStart_;
  const int left = TempCount * ModeCount - progress_.modesDone;
  progress_.remainingS = done > 0 ? (bench_.clock.NowMs() - runStart_) / 1000 / done * left : 0;
  bench_.host.SetProgress(progress_.Percent(), true);
  if (onProgress) onProgress(progress_);
}

// ---- Run journal ----

RunSettings TempTest::Snapshot(bool withChamber) const {
  RunSettings s;
  s.withChamber = withChamber;
  s.points = TempCount;
  s.modes = ModeCount;
  s.holdMinutes = WholeNumber(form.holdMinutes);
  s.powerDelayText = form.powerDelay;
  s.measure = TempForm::kMeasureItems[static_cast<int>(form.measure)];
  s.captureKind = TempForm::kCaptureItems[static_cast<int>(form.capture)];
  s.fullFiles = form.fullFiles;
  s.keepOperating = form.keepOperating;
  s.adcAndTemp = form.adcAndTemp;
  s.firstRawFile = RawFileNumber;
  s.tempTable = Rows(temps, TempPointTable::kColumns);
  s.regTable = Rows(regs, RegStepTable::kColumns);
  s.flukeTable = Rows(bench_.fluke, instruments::StepTable::kColumns);
  s.powerTable = Rows(bench_.power, instruments::StepTable::kColumns);
  s.regImage.assign(bench_.target.RegImage.begin(), bench_.target.RegImage.end());
  s.chip = !bench_.chip.ProductName.empty() ? bench_.chip.ProductName : bench_.chip.ModelName;
  s.device = form.device;
  s.note = form.note;
  s.programVersion = base::kProgramVersion;
  s.captureBits = bench_.capture.Bits();
  const auto& p = bench_.ports;
  auto port = [](const char* what, const instruments::DevcRS232& d) {
    return std::string(what) + " " + (d.Selected ? d.PortName : std::string("-")) + "\n";
  };
  s.instruments =
      port("chamber", p.ChamberPort) + port("calibrator", p.FlukePort) + port("power", p.PowerPort);
  for (size_t i = 0; i < p.MeterPorts.size(); ++i)
    s.instruments += port(("meter" + std::to_string(i + 1)).c_str(), p.MeterPorts[i]);
  return s;
}

void TempTest::Restore(const RunSettings& s) {
  temps.Resize(static_cast<int>(s.tempTable.size()));
  FillRows(temps, s.tempTable);
  regs.Resize(static_cast<int>(s.regTable.size()));
  FillRows(regs, s.regTable);
  bench_.fluke.Resize(static_cast<int>(s.flukeTable.size()));
  FillRows(bench_.fluke, s.flukeTable);
  bench_.power.Resize(static_cast<int>(s.powerTable.size()));
  FillRows(bench_.power, s.powerTable);
  form.modeCount = std::to_string(std::max(static_cast<int>(s.regTable.size()) - 1, 1));
  form.tempCount = std::to_string(s.points);
  // The boxes the table is built from say what the run's table holds.
  if (const auto first = temps.Number(1, 1)) {
    form.tempStart = FixedTwo(*first);
    if (const auto second = temps.Number(1, 2)) form.tempStep = FixedTwo(*second - *first);
  }
  form.holdMinutes = std::to_string(s.holdMinutes);
  form.powerDelay = s.powerDelayText;
  for (int i = 0; i < 3; ++i)
    if (s.measure == TempForm::kMeasureItems[i]) form.measure = static_cast<TempForm::Measure>(i);
  form.capture = s.captureKind == TempForm::kCaptureItems[1] ? TempForm::Capture::Temperature
                                                             : TempForm::Capture::Adc;
  form.fullFiles = s.fullFiles;
  form.keepOperating = s.keepOperating;
  form.adcAndTemp = s.adcAndTemp;
}

std::string TempTest::UnfinishedRun() const {
  if (!journal_) return {};
  const auto open = journal_->Unfinished();
  if (!open) return {};
  return "Run " + std::to_string(open->id) + " (started " + open->started + ", " +
         std::to_string(open->recorded) + " of " + std::to_string(open->points * open->modes) +
         " modes recorded) did not finish.";
}

bool TempTest::StartJournal(bool withChamber) {
  runId_ = 0;
  chamberTenths_.reset();
  if (!journal_) return true;
  if (const auto open = journal_->Unfinished()) {
    const std::string question = UnfinishedRun() + " Resume it at its next point and mode?";
    const bool yes = resume == Resume::Always ||
                     (resume == Resume::Ask && bench_.host.AskYesNo(question, false));
    if (yes) return ResumeRun(open->id);
    journal_->End(open->id, RunState::Abandoned);
  }
  const auto id = journal_->Begin(Snapshot(withChamber));
  if (!id) {
    // A run that could not be resumed after a crash is not started.
    Fail("Run journal: " + journal_->LastError());
    return false;
  }
  runId_ = *id;
  return true;
}

bool TempTest::ResumeRun(int64_t id) {
  RunSettings settings;
  std::string error;
  if (!LoadRunResults(*journal_, id, settings, results, error)) {
    Fail("Run journal: " + error);
    return false;
  }
  Restore(settings);
  SizeRun();
  RawFileNumber = settings.firstRawFile;
  // Measured modes are done; modes recorded as failed are measured again.
  for (const ModeRecord& r : journal_->Modes(id)) {
    if (r.rawFile >= 0) RawFileNumber = std::max(RawFileNumber, r.rawFile + 1);
    if (r.failure.empty() && Todo(r.point, r.mode))
      todo_[static_cast<size_t>(r.point - 1) * static_cast<size_t>(ModeCount) +
            static_cast<size_t>(r.mode - 1)] = 0;
  }
  TempIndex = 1;
  SkipFinishedPoints();
  int firstMode = 1;
  while (firstMode < ModeCount && !Todo(TempIndex, firstMode)) ++firstMode;
  TMPDataClick();
  runId_ = id;
  bench_.host.SetStatus(2, "Resuming run " + std::to_string(id) + " at point " +
                               std::to_string(TempIndex) + ", mode " + std::to_string(firstMode));
  return true;
}

void TempTest::RecordMode(int point, int mode, int rawFile, const std::string& failure,
                          int overRange) {
  if (!journal_ || runId_ == 0) return;
  ModeRecord r;
  r.point = point;
  r.mode = mode;
  r.targetTemp = results.TargetTemp(point);
  r.targetHum = results.TargetHum(point);
  if (chamberTenths_) r.chamberTemp = *chamberTenths_ / 10.0;
  r.failure = failure;
  r.overRange = overRange;
  if (failure.empty()) {  // a failed mode keeps no figures, not even zeros to be taken for some
    for (int k = 0; k < TempResults::kKinds; ++k)
      r.stats[static_cast<size_t>(k)] = results.Stat(k, point, mode);
    for (int i = 0; i < TempResults::kMeters; ++i) {
      r.meterValue[static_cast<size_t>(i)] = results.MeterValue(i, point, mode);
      r.meterUnit[static_cast<size_t>(i)] = results.MeterUnit(i, point, mode);
    }
  }
  r.rawFile = rawFile;
  if (!journal_->RecordMode(runId_, r)) StopWriting("run journal: " + journal_->LastError());
}

}  // namespace qx::autotest

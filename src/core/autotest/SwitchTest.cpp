#include "core/autotest/SwitchTest.h"

#include <algorithm>

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"

namespace qx::autotest {

namespace {
constexpr uint8_t kBit3 = 0x08;
constexpr uint8_t kBit4 = 0x10;
constexpr uint8_t kBit5 = 0x20;
constexpr uint8_t kBit6 = 0x40;
constexpr uint8_t kBit7 = 0x80;

uint8_t Byte(uint32_t v, int shift) {
  return static_cast<uint8_t>((v >> shift) & 0xFF);
}
}  // namespace

/// While alive, the target's link kind is the one the test's traffic needs (`TrafficLinkKind`).
/// The selected kind comes back when the scope ends, on every return, and while pending window
/// messages run, so that other windows talk on the link the user chose.
class SwitchTest::TrafficLink {
 public:
  explicit TrafficLink(link::TargetRecord& target) : target_(target), selected_(target.LinkKind) {
    target_.LinkKind = TrafficLinkKind(selected_);
  }
  ~TrafficLink() { target_.LinkKind = selected_; }
  TrafficLink(const TrafficLink&) = delete;
  TrafficLink& operator=(const TrafficLink&) = delete;

  /// Lets pending messages run on the selected link; a kind chosen meanwhile is the new one.
  void PumpEvents(base::Host& host) {
    target_.LinkKind = selected_;
    host.PumpEvents();
    selected_ = target_.LinkKind;
    target_.LinkKind = TrafficLinkKind(selected_);
  }

 private:
  link::TargetRecord& target_;
  uint16_t selected_;
};

uint16_t SwitchTest::TrafficLinkKind(uint16_t selected) {
  return selected == link::kLinkQx740x ? static_cast<uint16_t>(link::kLinkSpi) : selected;
}

SwitchTest::SwitchTest(link::TargetAccess& access, link::TargetRecord& target, link::IoFrame& frame,
                       base::Clock& clock, base::Host& host, base::Settings& settings,
                       analysis::AdcCapture& capture)
    : access_(access),
      target_(target),
      frame_(frame),
      clock_(clock),
      host_(host),
      settings_(settings),
      capture_(capture) {
  EvStepLenChange(kDefaultStepLenIndex);
  LoopStepChange(kDefaultLoopIndex);
  PStepSet(0);
  gridFilled_ = false;
}

int SwitchTest::EnabledCount() const {
  return static_cast<int>(std::count(enabled_.begin(), enabled_.end(), true));
}

std::string SwitchTest::ChannelGapNotice() const {
  const int count = EnabledCount();
  std::string checked;
  bool gap = false;
  for (int ch = 0; ch < kChannels; ++ch) {
    if (!Enabled(ch)) continue;
    gap = gap || ch >= count;
    checked += (checked.empty() ? "" : ", ") + std::to_string(ch + 1);
  }
  if (!gap) return {};
  const bool one = count == 1;
  return "The target measures the first " + std::to_string(count) +
         (one ? " channel setting" : " channel settings") +
         " of its table in turn: the run measures the settings of " +
         (one ? std::string("channel 1") : "channels 1 to " + std::to_string(count)) +
         ", not those of the checked " + (one ? "channel " : "channels ") + checked + ".";
}

PanelLook SwitchTest::ChannelLook(int ch, const std::array<bool, kChannels>& lowered) const {
  if (!Valid(ch)) return {};
  if (!Enabled(ch)) return {false, PanelLook::Text::Silver, PanelLook::Fill::ButtonFace};
  return {!lowered[static_cast<size_t>(ch)], PanelLook::Text::Desktop, PanelLook::Fill::ButtonFace};
}

void SwitchTest::SwitChClick(int ch, bool on) {
  if (!Valid(ch)) return;
  enabled_[static_cast<size_t>(ch)] = on;
  stepLooks_[static_cast<size_t>(ch)] =
      on ? PanelLook{true, PanelLook::Text::Desktop, PanelLook::Fill::ButtonFace}
         : PanelLook{false, PanelLook::Text::Silver, PanelLook::Fill::ButtonFace};
  Changed();
}

void SwitchTest::SetChannel(int ch) {
  if (!Valid(ch)) return;
  setLowered_[static_cast<size_t>(ch)] = true;
  Changed();
  host_.PumpEvents();
  // The chip's registers settle after the last change before they are taken.
  clock_.WaitMs(kSetSettleMs);
  ChannelRecord& r = records[static_cast<size_t>(ch)];
  for (size_t i = 0; i < kChannelRegisters; ++i) r.RegValue[i] = access_.GetRegImage(r.RegAddr[i]);
  setLowered_[static_cast<size_t>(ch)] = false;
  Changed();
}

void SwitchTest::ReviewChannel(int ch) {
  if (!Valid(ch)) return;
  reviewLowered_[static_cast<size_t>(ch)] = true;
  Changed();
  host_.PumpEvents();
  const ChannelRecord& r = records[static_cast<size_t>(ch)];
  {
    TrafficLink link(target_);
    for (size_t i = 0; i < kChannelRegisters; ++i) access_.WriteReg(r.RegAddr[i], r.RegValue[i]);
  }
  reviewLowered_[static_cast<size_t>(ch)] = false;
  Changed();
}

void SwitchTest::EvStepLenChange(int index) {
  if (index < 0 || index >= static_cast<int>(kStepLenItems.size())) return;
  stepLenIndex_ = index;
  for (auto& r : records)
    r.StepLen = static_cast<uint8_t>(kStepLenItems[static_cast<size_t>(index)]);
  // The cells of the old geometry mean nothing in the new one.
  gridFilled_ = false;
  Changed();
}

void SwitchTest::LoopStepChange(int index) {
  if (index < 0 || index >= static_cast<int>(kLoopItems.size())) return;
  loopIndex_ = index;
  for (auto& r : records)
    r.LoopCount = static_cast<uint16_t>(kLoopItems[static_cast<size_t>(index)]);
  gridFilled_ = false;
  Changed();
}

int SwitchTest::ScaleItem() const {
  // "24" sets nothing, so it is remembered here until another resolution is chosen anywhere.
  if (scaleItem_ == kScaleItems - 1 && settings_.ScaleIndex == scaleIndexAt24_) return scaleItem_;
  if (settings_.ScaleIndex >= 0 && settings_.ScaleIndex < kScaleItems - 1)
    return settings_.ScaleIndex;
  // Nothing chosen yet: the resolution whose divisor the conversion uses (1: "23").
  for (int item = 0; item < kScaleItems - 1; ++item)
    if (settings_.CodeDivisor == 1 << (kScaleItems - 2 - item)) return item;
  return -1;
}

void SwitchTest::TXScaleChange(int item) {
  if (item < 0 || item >= kScaleItems) return;
  scaleItem_ = item;
  scaleIndexAt24_ = settings_.ScaleIndex;
  // "24" is more than the converter gives: the conversion stays as it is.
  if (item < kScaleItems - 1) capture_.TXScaleChange(item);
  Changed();
}

std::string SwitchTest::Cell(int column, int row) const {
  if (column < 0 || row < 0 || column >= GridColumns() || row >= GridRows()) return {};
  if (row == 0) return column == 0 ? std::string() : std::to_string(column);
  if (column == 0) return std::to_string(row);
  if (!gridFilled_ || StepLen() == 0) return {};
  const int j = (row - 1) * StepLen() + (column - 1);
  const ChannelRecord& record = records[static_cast<size_t>(shownStep_)];
  const auto at = static_cast<size_t>(j);
  return at < record.Measured && at < record.Samples.size() ? std::to_string(record.Samples[at])
                                                            : std::string();
}

void SwitchTest::PStepClick(int step) {
  if (!Valid(step)) return;
  currentStep_ = step;
  PStepSet(currentStep_);
}

void SwitchTest::PStepSet(int step) {
  if (!Valid(step)) step = 0;
  // Tables are filled from the first channel on: a gap before `step` means it holds nothing.
  for (int ch = 0; ch <= step; ++ch)
    if (!Enabled(ch)) step = 0;
  shownStep_ = step;
  for (int ch = 0; ch < kChannels; ++ch) {
    PanelLook& look = stepLooks_[static_cast<size_t>(ch)];
    if (ch == step)
      look = {false, PanelLook::Text::Window, PanelLook::Fill::Blue};
    else if (Enabled(ch))
      look = {true, PanelLook::Text::Desktop, PanelLook::Fill::ButtonFace};
    else
      look = {false, PanelLook::Text::Silver, PanelLook::Fill::ButtonFace};
  }
  gridFilled_ = true;
  Changed();
}

uint8_t SwitchTest::Reply(size_t i) const {
  const size_t from = target_.LinkKind == link::kLinkQx740x ? 1 : 0;
  return from + i < frame_.size() ? frame_[from + i] : 0;
}

bool SwitchTest::ReadByte(uint16_t address, uint8_t& value) {
  if (!access_.ReadBytes(address, 1)) return false;
  value = Reply(0);
  return true;
}

bool SwitchTest::WriteData(uint16_t address, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), frame_.begin() + 5);
  return access_.WriteBytes(address, static_cast<uint8_t>(bytes.size()));
}

SwitchTest::Busy SwitchTest::WaitBitClear(uint16_t address, uint8_t bit) {
  // No messages run here, as in every link exchange; the limit keeps a hung target from
  // freezing the program.
  const double start = clock_.NowMs();
  for (;;) {
    uint8_t v = 0;
    if (!ReadByte(address, v)) return Busy::ReadFailed;
    if ((v & bit) == 0) return Busy::Clear;
    if (clock_.NowMs() - start >= kBusyLimitMs) return Busy::TimedOut;
    clock_.WaitMs(kBusyPollMs);
  }
}

bool SwitchTest::SendTO7R403WR() {
  TrafficLink link(target_);
  const ChannelRecord& first = records[0];
  std::copy_n(first.RegAddr.begin(), kSentRegisters, frame_.begin() + 5);
  if (!access_.WriteBytes(kAddressTable, kSentRegisters)) return false;
  if (!access_.ReadBytes(kAddressTable, kSentRegisters)) return false;
  for (size_t i = 0; i < kSentRegisters; ++i)
    if (Reply(i) != first.RegAddr[i]) return false;

  for (int half = 0; half < 2; ++half) {
    for (size_t c = 0; c < 4; ++c) {
      const ChannelRecord& r = records[static_cast<size_t>(half) * 4 + c];
      std::copy_n(r.RegValue.begin(), kSentRegisters, frame_.begin() + 5 + 8 * c);
    }
    if (!access_.WriteBytes(half == 0 ? kValueTableLow : kValueTableHigh, 32)) return false;
  }
  if (!WriteData(kStepLenAddr, {first.StepLen})) return false;
  if (!WriteData(kLoopCountAddr, {Byte(first.LoopCount, 0), Byte(first.LoopCount, 8)}))
    return false;
  return WriteData(kChannelCountAddr, {static_cast<uint8_t>(EnabledCount())});
}

void SwitchTest::SendTO7R403Click() {
  std::array<uint8_t, 3> flags{};
  access_.ReadBridgeFlags(flags);
  host_.SetStatus(2, "Data Sending .......");
  host_.PumpEvents();
  if (SendTO7R403WR()) {
    host_.SetStatus(2, "Data Send OK");
  } else {
    host_.ShowError("Data Send Fail!!");
    host_.SetStatus(2, "Data Send Fail");
  }
}

bool SwitchTest::PT2OUTLOW() {
  TrafficLink link(target_);
  uint8_t v = 0;
  if (!ReadByte(kPortLatch, v)) return false;
  if (!WriteData(kPortLatch, {static_cast<uint8_t>(v | kBit3)})) return false;
  if (!ReadByte(kPortDirection, v)) return false;
  return WriteData(kPortDirection, {static_cast<uint8_t>(v & ~kBit3)});
}

int32_t SwitchTest::ConvertCode(uint32_t code, int divisor) {
  if (divisor <= 0) divisor = 1;
  code &= 0xFFFFFF;
  if (code < 0x800000) return static_cast<int32_t>(code) / divisor;
  return -static_cast<int32_t>((0x1000000u - code) / static_cast<uint32_t>(divisor));
}

SamplePlace SwitchTest::PlaceSample(int done, int perLoop, int stepLen) {
  if (perLoop <= 0 || stepLen <= 0) return {};
  return {(done % perLoop) / stepLen, (done / perLoop) * stepLen + done % stepLen};
}

SwitchTest::RunResult SwitchTest::TestBeginClick() {
  if (running_) return RunResult::Stopped;
  // With no channel the target runs an empty test and reports completion at once: the tables
  // would keep whatever they held (zeros after start-up) under "Test OK".
  if (EnabledCount() == 0) {
    host_.SetStatus(2, kNoChannelText);
    return RunResult::NoChannel;
  }
  TrafficLink link(target_);
  std::string name;
  if (!access_.ReadBridgeName(name)) {
    // Nothing can start without the bridge; say so rather than ignore the click.
    host_.SetStatus(2, "Test Fail");
    return RunResult::NoBridge;
  }
  // Asked before anything is sent, so that a No leaves the target as it was.
  if (const std::string gap = ChannelGapNotice();
      !gap.empty() && !host_.AskYesNo(gap + " Run the test?", true)) {
    host_.SetStatus(2, "Test cancelled");
    return RunResult::Stopped;
  }
  running_ = true;
  stopFlag_ = false;
  const RunResult result = Run(name, link);
  host_.SetProgress(0, false);
  running_ = false;
  Changed();
  return result;
}

SwitchTest::RunResult SwitchTest::Run(const std::string& bridgeName, TrafficLink& link) {
  std::array<uint8_t, 3> flags{};
  access_.ReadBridgeFlags(flags);
  PT2OUTLOW();
  ClearSGD();
  for (ChannelRecord& r : records) r.Measured = 0;

  uint8_t v = 0;
  if (ReadByte(kEngineControl, v)) {
    WriteData(kEngineControl, {static_cast<uint8_t>(v | kBit7)});
    if (WaitBitClear(kEngineControl, kBit7) == Busy::TimedOut) {
      host_.SetStatus(2, "Test Fail");
      return RunResult::BusyTimeout;
    }
  }
  if (!SendTO7R403WR()) {
    host_.SetStatus(2, "Test Fail");
    return RunResult::SendFailed;
  }
  const int channels = EnabledCount();
  const int perLoop = StepLen() * channels;
  const int total = perLoop * LoopCount();

  host_.SetStatus(2, "Test Begining .......");
  link.PumpEvents(host_);
  WriteData(kReadOffset, {0, 0, 0});
  if (ReadByte(kEngineControl, v))
    WriteData(kEngineControl, {static_cast<uint8_t>(v & ~(kBit5 | kBit6))});
  if (ReadByte(kTestControl, v))
    WriteData(kTestControl, {static_cast<uint8_t>((v & ~(kBit5 | kBit6)) | kBit4)});

  // The optocoupled ENOB bridge reports completion on bit 4, every other bridge on bit 5.
  const bool enobBridge = bridgeName.rfind("ENOB", 0) == 0;
  const uint8_t doneBit = settings_.Photo && enobBridge ? kBit4 : kBit5;
  const double start = clock_.NowMs();
  bool completed = false;
  while (!stopFlag_) {
    clock_.WaitMs(1000);
    link.PumpEvents(host_);
    const auto seconds = static_cast<long long>((clock_.NowMs() - start) / 1000.0);
    host_.SetStatus(1, std::to_string(seconds) + " s");
    // The gauge runs while the target measures: against the wait limit when there is one.
    const long long percent =
        waitLimitSeconds > 0 ? std::min(99LL, seconds * 100 / waitLimitSeconds) : seconds % 100;
    host_.SetProgress(static_cast<int>(percent), true);
    if (onWaiting) onWaiting(static_cast<int>(seconds));
    if (!access_.ReadBridgeFlags(flags)) break;
    if (flags[0] & doneBit) {
      completed = true;
      break;
    }
    if (waitLimitSeconds > 0 && seconds >= waitLimitSeconds) break;
  }
  if (!completed) {
    // STOP is the user's choice, not a failure of the target.
    host_.SetStatus(2, stopFlag_ ? "Test stopped" : "Test Fail");
    return stopFlag_ ? RunResult::Stopped : RunResult::NotCompleted;
  }
  host_.SetStatus(2, "Test OK");
  host_.SetProgress(0, true);
  const RunResult result = ReadOut(total, perLoop, link);
  PStepSet(currentStep_);
  return result;
}

SwitchTest::RunResult SwitchTest::ReadOut(int total, int perLoop, TrafficLink& link) {
  const int stepLen = StepLen();
  const int divisor = settings_.CodeDivisor > 0 ? settings_.CodeDivisor : 1;
  int done = 0;
  while (!stopFlag_ && done < total) {
    const int count = std::min(total - done, kChunkSamples);
    const auto bytes = static_cast<uint8_t>(3 * count);
    const auto offset = static_cast<uint32_t>(3 * done);
    bool ok = WriteData(kReadOffset, {Byte(offset, 0), Byte(offset, 8), Byte(offset, 16)}) &&
              WriteData(kReadLength, {bytes, 0, 0});
    uint8_t v = 0;
    ok = ok && ReadByte(kTestControl, v) &&
         WriteData(kTestControl, {static_cast<uint8_t>(v | kBit3)}) &&
         WaitBitClear(kTestControl, kBit3) == Busy::Clear &&
         access_.ReadBytes(kResultBuffer, bytes);
    if (!ok) {
      // A chunk that did not arrive must not be read from a stale frame.
      host_.SetStatus(2, "Test Fail");
      return RunResult::ReadFailed;
    }
    for (int i = 0; i < count; ++i) {
      const size_t at = 3 * static_cast<size_t>(i);
      const uint32_t code =
          static_cast<uint32_t>(Reply(at) | Reply(at + 1) << 8 | Reply(at + 2) << 16);
      const SamplePlace place = PlaceSample(done, perLoop, stepLen);
      ChannelRecord& record = records[static_cast<size_t>(place.record)];
      record.Samples[static_cast<size_t>(place.position)] = ConvertCode(code, divisor);
      // A record fills from its first sample on, loop after loop.
      record.Measured = static_cast<size_t>(place.position) + 1;
      ++done;
    }
    host_.SetProgress(done * 100 / total, true);
    if (onReadout) onReadout(done, total);
    link.PumpEvents(host_);
  }
  if (stopFlag_ && done < total) {
    host_.SetStatus(2, "Test stopped: " + std::to_string(done) + " of " + std::to_string(total) +
                           " samples read");
    return RunResult::Stopped;
  }
  return RunResult::Done;
}

SwitchCsv::Outcome SwitchTest::SaveToExcel(const std::filesystem::path& dir) {
  const SwitchCsv::Outcome outcome = SwitchCsv::WriteAll(dir, records);
  if (!outcome.ok) {
    host_.ShowError(outcome.error);
    host_.SetStatus(2, outcome.error);
  }
  return outcome;
}

StepSettings SwitchTest::Snapshot() const {
  StepSettings s;
  s.stepLenIndex = stepLenIndex_;
  s.loopIndex = loopIndex_;
  s.enabled = enabled_;
  for (size_t ch = 0; ch < kChannels; ++ch) s.values[ch] = records[ch].RegValue;
  s.currentStep = currentStep_;
  return s;
}

void SwitchTest::Apply(const StepSettings& s) {
  for (int ch = 0; ch < kChannels; ++ch) SwitChClick(ch, s.enabled[static_cast<size_t>(ch)]);
  for (size_t ch = 0; ch < kChannels; ++ch) {
    records[ch].RegValue = s.values[ch];
    records[ch].RegAddr = kChannelRegisterAddresses;
  }
  EvStepLenChange(s.stepLenIndex);
  LoopStepChange(s.loopIndex);
  currentStep_ = Valid(s.currentStep) ? s.currentStep : 0;
  PStepSet(currentStep_);
  ClearSGD();
}

bool SwitchTest::SaveConfig(const std::filesystem::path& path) {
  std::string error;
  if (base::AtomicFile::Write(path, StepFile::Text(Snapshot()), error)) return true;
  host_.SetStatus(2, error);
  return false;
}

StepFileResult SwitchTest::LoadConfig(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) SaveConfig(path);
  StepSettings s = Snapshot();
  StepFileResult result;
  if (const auto text = base::ReadFileBytes(path)) {
    result = StepFile::Read(*text, s);
  } else {
    result.complete = false;
    result.message = std::string("cannot read ") + StepFile::kFileName;
  }
  Apply(s);
  if (!result.complete) host_.SetStatus(2, result.message);
  return result;
}

}  // namespace qx::autotest

#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "core/analysis/AdcCapture.h"
#include "core/autotest/StepFile.h"
#include "core/autotest/SwitchChannels.h"
#include "core/autotest/SwitchCsv.h"
#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/link/IoFrame.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"

namespace qx::autotest {

/// Look of a Set, Review or STEP panel of the switch test window.
struct PanelLook {
  enum class Text { Desktop, Silver, Window };
  enum class Fill { ButtonFace, Blue };
  bool raised = true;
  Text text = Text::Desktop;
  Fill fill = Fill::ButtonFace;
  bool operator==(const PanelLook&) const = default;
};

/// Where readout sample `done` lands: the record of the k-th enabled channel and the position
/// in its table.
struct SamplePlace {
  int record = 0;
  int position = 0;
};

/// The switch channel test: eight channel settings that the target's own firmware measures in
/// turn, the settings transfer, the run with its completion wait and chunked readout, the sample
/// tables and their files. The window only shows this model and forwards clicks.
class SwitchTest {
 public:
  /// Target data addresses of the firmware's test.
  static constexpr uint16_t kResultBuffer = 0x100;
  static constexpr uint16_t kStepLenAddr = 0x120;
  static constexpr uint16_t kLoopCountAddr = 0x122;
  static constexpr uint16_t kChannelCountAddr = 0x124;
  static constexpr uint16_t kAddressTable = 0x128;
  static constexpr uint16_t kValueTableLow = 0x130;   ///< channels 0..3, 8 bytes each
  static constexpr uint16_t kValueTableHigh = 0x150;  ///< channels 4..7
  static constexpr uint16_t kReadOffset = 0x170;      ///< 3-byte byte offset into the results
  static constexpr uint16_t kReadLength = 0x173;      ///< bytes of the next chunk
  static constexpr uint16_t kEngineControl = 0xD2;    ///< bit 7: reset the test engine (busy)
  static constexpr uint16_t kTestControl = 0xA4;      ///< bit 4: start; bit 3: chunk (busy)
  static constexpr uint16_t kPortLatch = 0x75;
  static constexpr uint16_t kPortDirection = 0x74;
  static constexpr int kChunkSamples = 16;
  /// The target answers a busy bit within milliseconds; past this the target is taken as hung.
  static constexpr double kBusyLimitMs = 2000;
  static constexpr double kBusyPollMs = 1;
  static constexpr double kSetSettleMs = 2000;
  /// Begin with no channel box checked: the target would measure nothing and report it done.
  static constexpr char kNoChannelText[] =
      "Begin: no channel is checked, nothing to measure (check Channel 1 to 8 first)";

  enum class RunResult {
    NoChannel,
    NoBridge,
    BusyTimeout,
    SendFailed,
    NotCompleted,
    Stopped,
    ReadFailed,
    Done
  };

  SwitchTest(link::TargetAccess& access, link::TargetRecord& target, link::IoFrame& frame,
             base::Clock& clock, base::Host& host, base::Settings& settings,
             analysis::AdcCapture& capture);

  std::array<ChannelRecord, kChannels> records;

  // Channel boxes and panels.
  bool Enabled(int ch) const { return Valid(ch) && enabled_[static_cast<size_t>(ch)]; }
  int EnabledCount() const;
  /// The target measures table entries 0 to EnabledCount() - 1 in turn, since only the count
  /// travels with the table. When the checked boxes are not channels 1 to that count, this says
  /// whose settings the run will measure; empty otherwise.
  std::string ChannelGapNotice() const;
  /// `SwitChClick`: the channel's Set, Review and STEP panels follow the box.
  void SwitChClick(int ch, bool on);
  PanelLook SetLook(int ch) const { return ChannelLook(ch, setLowered_); }
  PanelLook ReviewLook(int ch) const { return ChannelLook(ch, reviewLowered_); }
  PanelLook StepLook(int ch) const {
    return Valid(ch) ? stepLooks_[static_cast<size_t>(ch)] : PanelLook{};
  }

  /// Set n (0-based): after the chip has settled, the registers from the image into channel n.
  void SetChannel(int ch);
  /// Review n: the channel's stored values written to the chip.
  void ReviewChannel(int ch);

  // Lists.
  int StepLenIndex() const { return stepLenIndex_; }
  int LoopIndex() const { return loopIndex_; }
  int StepLen() const { return records[0].StepLen; }
  int LoopCount() const { return records[0].LoopCount; }
  void EvStepLenChange(int index);
  void LoopStepChange(int index);
  /// The window's resolution item: 0..15 for "8".."23", 16 for "24", -1 when the settings'
  /// divisor is none of the list's. Before any choice, the item of the divisor in use.
  int ScaleItem() const;
  void TXScaleChange(int item);

  // Sample grid.
  int GridColumns() const { return StepLen() == 0 ? 2 : StepLen() + 1; }
  int GridRows() const { return LoopCount() == 0 ? 2 : LoopCount() + 1; }
  std::string Cell(int column, int row) const;
  void ClearSGD() { gridFilled_ = false, Changed(); }
  int CurrentStep() const { return currentStep_; }
  /// The table on show, after `PStepSet`'s rule.
  int ShownStep() const { return shownStep_; }
  void PStepClick(int step);
  void PStepSet(int step);

  // Target traffic.
  bool SendTO7R403WR();
  void SendTO7R403Click();
  RunResult TestBeginClick();
  bool PT2OUTLOW();
  void PSTPClick() { stopFlag_ = true; }
  bool Running() const { return running_; }
  /// Without a user to press STOP (qxctl), the completion wait ends after this many seconds;
  /// 0 waits until STOP.
  int waitLimitSeconds = 0;

  // Files.
  SwitchCsv::Outcome SaveToExcel(const std::filesystem::path& dir);
  StepSettings Snapshot() const;
  void Apply(const StepSettings& s);
  bool SaveConfig(const std::filesystem::path& path);
  StepFileResult LoadConfig(const std::filesystem::path& path);

  /// The link kind of the test's traffic when `selected` is the link kind chosen for the
  /// program: the QX740x link reaches the converter's five registers only, so the data memory
  /// is reached over the same USB bridge's memory link (kind 1); every other kind is kept.
  static uint16_t TrafficLinkKind(uint16_t selected);

  static int32_t ConvertCode(uint32_t code, int divisor);
  static SamplePlace PlaceSample(int done, int perLoop, int stepLen);

  /// Runs when the panels, lists or grid changed.
  std::function<void()> onChanged;
  /// Progress for a front end without a gauge: seconds of the completion wait, and samples read.
  std::function<void(int seconds)> onWaiting;
  std::function<void(int done, int total)> onReadout;

 private:
  class TrafficLink;
  static bool Valid(int ch) { return ch >= 0 && ch < kChannels; }
  PanelLook ChannelLook(int ch, const std::array<bool, kChannels>& lowered) const;
  void Changed() {
    if (onChanged) onChanged();
  }
  uint8_t Reply(size_t i) const;
  bool ReadByte(uint16_t address, uint8_t& value);
  bool WriteData(uint16_t address, std::initializer_list<uint8_t> bytes);
  /// Reads `address` until `bit` is clear; false on a failed read or after kBusyLimitMs.
  enum class Busy { Clear, ReadFailed, TimedOut };
  Busy WaitBitClear(uint16_t address, uint8_t bit);
  RunResult Run(const std::string& bridgeName, TrafficLink& link);
  RunResult ReadOut(int total, int perLoop, TrafficLink& link);

  link::TargetAccess& access_;
  link::TargetRecord& target_;
  link::IoFrame& frame_;
  base::Clock& clock_;
  base::Host& host_;
  base::Settings& settings_;
  analysis::AdcCapture& capture_;

  std::array<bool, kChannels> enabled_{};
  std::array<bool, kChannels> setLowered_{};
  std::array<bool, kChannels> reviewLowered_{};
  std::array<PanelLook, kChannels> stepLooks_{};
  int stepLenIndex_ = kDefaultStepLenIndex;
  int loopIndex_ = kDefaultLoopIndex;
  int scaleItem_ = -1;
  int scaleIndexAt24_ = -1;  ///< the settings' item when "24" was chosen
  int currentStep_ = 0;
  int shownStep_ = 0;
  bool gridFilled_ = false;
  bool stopFlag_ = false;
  bool running_ = false;
};

}  // namespace qx::autotest

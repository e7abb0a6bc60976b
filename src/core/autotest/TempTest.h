#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseResult.h"
#include "core/autotest/RunJournal.h"
#include "core/autotest/TempResultFiles.h"
#include "core/autotest/TempResults.h"
#include "core/autotest/TempTables.h"
#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/instruments/InstrumentPorts.h"
#include "core/instruments/StepTable.h"
#include "core/instruments/StepTraffic.h"
#include "core/link/LinkMonitor.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"

namespace qx::autotest {

/// The boxes and check marks of the temperature window, as texts and states.
struct TempForm {
  /// `CADCBRY`: what each mode measures.
  enum class Measure { AdcAndMeters, Adc, Meters };
  /// `ComMode`: the capture kind.
  enum class Capture { Adc, Temperature };
  static constexpr const char* kMeasureItems[3] = {"ADC & Brymen", "ADC", "Brymen"};
  static constexpr const char* kCaptureItems[2] = {"ADC", "Temperature"};

  std::string tempCount = "5";      ///< `ETempCount`
  std::string tempStart = "-40.0";  ///< `ETMPBG`
  std::string tempStep = "10.0";    ///< `ETMPScale`
  std::string modeCount = "1000";   ///< `EModenum`
  std::string holdMinutes = "20";   ///< `Edit2`
  std::string powerDelay = "2000";  ///< `PDlyT`, milliseconds
  /// Minutes a run waits for a USB bridge that left the bus to come back before it stops.
  std::string linkWaitMinutes = "10";
  Measure measure = Measure::Adc;
  Capture capture = Capture::Adc;
  bool fullFiles = false;      ///< `CHFULL`: a raw sample file per mode
  bool keepOperating = false;  ///< `FkNOINT`: no calibrator standby before a step
  bool adcAndTemp = false;     ///< `ChADCTemp` (hidden)
  bool lock330mV = false;      ///< `LK330mV`
  bool lock3V = false;         ///< `LK3V`
  std::string device;          ///< the device under test, kept with the run in the journal
  std::string note;            ///< the user's note on the run, kept likewise

  bool MeasuresAdc() const { return measure != Measure::Meters; }
  bool MeasuresMeters() const { return measure != Measure::Adc; }
};

/// Where a run stands, for the gauge and for qxctl's progress line.
struct TempProgress {
  int point = 0;
  int points = 0;
  int mode = 0;
  int modes = 0;
  int modesDone = 0;      ///< finished modes of the whole run
  double remainingS = 0;  ///< estimate from the modes finished so far; 0 before the first
  /// The chamber is on its way to the point's temperature (`mode` is then 0).
  bool heading = false;
  double setPoint = 0;  ///< °C, while heading
  /// Clock time (ms) a wait for a USB bridge that left the bus gives up; 0 when not waiting.
  double linkWaitEndMs = 0;
  int Percent() const;
  /// "Point 2/5, mode 3/48, about 1 h 20 min left"; while the chamber heads for the point
  /// "Point 3/5, chamber to 20.00 °C, ...".
  std::string Text() const;
};

/// The temperature test: over a list of chamber temperatures, and at each one over a list of
/// modes (register values, calibrator and power-supply settings), it captures the ADC and reads
/// the multimeters, keeps every figure in the result arrays and rewrites the result files after
/// every mode. Every finished mode is also recorded in the run journal, from which a run that
/// the program or the machine did not finish continues. The window only shows this model.
class TempTest {
 public:
  /// What the test drives.
  struct Bench {
    link::TargetAccess& access;
    link::LinkMonitor& monitor;
    link::TargetRecord& target;
    analysis::AdcCapture& capture;
    analysis::NoiseResult& noise;
    instruments::InstrumentPorts& ports;
    instruments::StepTable& fluke;
    instruments::StepTable& power;
    base::Clock& clock;
    base::Host& host;
    base::Settings& settings;
    const chip::ChipModel& chip;  ///< the chip the setup dialog loaded, named in the journal
  };

  static constexpr double kTolerance = 15;  ///< tenths of a degree: the ±1.5 °C band
  static constexpr int kModeAttempts = 4;
  static constexpr double kSettleMs = 4000;
  static constexpr char kRunError[] = "溫控廂 RUN ERROR!!!!!!!";
  static constexpr char kChamberSilent[] = "The chamber does not answer a temperature read";
  /// The result table's cell of a mode whose capture failed.
  static constexpr char kFailedCell[] = "failed";
  /// How a capture that sat at an end of the code range is flagged, as the noise sweep does.
  static constexpr char kOverRange[] = "over range";

  /// A mode whose capture still failed after its attempts with the bridge present.
  struct FailedMode {
    int point = 0;
    int mode = 0;
    std::string why;
  };

  /// How a run that the journal holds unfinished is treated when a new run starts.
  enum class Resume { Ask, Always, Never };
  enum class RunEnd { Completed, Stopped, Failed };

  explicit TempTest(const Bench& bench);
  TempTest(const TempTest&) = delete;
  TempTest& operator=(const TempTest&) = delete;

  TempForm form;
  TempPointTable temps;  ///< `TMPGrid`
  RegStepTable regs;     ///< `RegChg`
  ResultTable data;      ///< `TMPData`
  TempResults results;

  // Window state.
  int TempCount = 0;
  int TempIndex = 1;
  int AddrCount = 0;
  int ModeCount = 0;
  bool Running = false;
  bool ModeDone = false;
  int ModeTries = 0;
  int RawFileNumber = 0;
  double WaitStart = 0;        ///< clock time the chamber was first seen within the band
  bool beginEnabled = true;    ///< `TBg`
  bool testEnabled = true;     ///< `TTest`
  bool captureEnabled = true;  ///< the analysis window's capture button

  void FormCreate();
  /// Rebuilds the temperature table from the count, start and step boxes.
  TempPointTable::Built TMPCNTSETClick();
  /// Applies `EModenum` to the register table and both step tables; the mode row count.
  int Modenum();
  /// Enter in the mode-count box: `Modenum`, then the calibrator table's `INI`.
  void EModenumKeyPress();

  bool LoadTemp();
  /// Present and set value in tenths of a degree.
  bool ReadTemp(int& present, int& setValue);
  /// False, with the reason shown, when the tables cannot make a run.
  bool TESTINI();
  void TTESTCOM();
  RunEnd TBgClick();
  RunEnd TTestClick();
  void Button1Click();
  /// "Stop": the chamber stops and the run ends at its next check.
  void Button2Click();
  /// Ends the run at its next check without touching the chamber (window closing).
  void Stop() { Running = false; }

  bool SaveOutA();
  bool ENSaveClick();
  bool FlukeSTBYClick();
  bool FlukeOPER();
  void LK330mVClick(bool checked);
  void LK3VClick(bool checked);
  void LKENTERClick();
  void TMPDataClick();
  void ChangeRegStep(uint8_t address, uint8_t value);

  /// The folder of the result files and the encoding of their text; until set, the working
  /// folder and UTF-8.
  void SetFiles(std::filesystem::path dir, TextEncoder encode) {
    writer_ = TempResultWriter(std::move(dir), std::move(encode));
  }
  const std::filesystem::path& FilesDir() const { return writer_.Dir(); }

  /// The journal that records finished modes; none keeps no journal.
  void SetJournal(RunJournal* journal) { journal_ = journal; }
  Resume resume = Resume::Ask;
  /// The run the journal holds unfinished, as the question before a new run names it; empty
  /// when there is none. A front end that asks Resume / Start new / Cancel itself sets
  /// `resume` to its answer before the run.
  std::string UnfinishedRun() const;
  /// The longest wait for a USB bridge that left the bus, in minutes: a day.
  static constexpr int kMaxLinkWaitMinutes = 24 * 60;
  /// The journal id of the run in progress or last run, 0 without a journal.
  int64_t RunId() const { return runId_; }

  /// The number after "Test #" in "QxTEMPB.CSV": the journal id of the run.
  int TestNumber() const { return static_cast<int>(runId_); }
  /// Meters read in the last multimeter pass (the "Channel - " counter).
  int MeterChannels() const { return meterChannels_; }
  const TempProgress& Progress() const { return progress_; }
  /// The modes of the run that failed, in the order they failed.
  const std::vector<FailedMode>& FailedModes() const { return failed_; }
  /// Why the last run ended as it did when that is not a plain completion or a Stop:
  /// "stopped: link lost at point P, mode M", "completed with N failed modes"; else empty.
  const std::string& EndReason() const { return endReason_; }
  /// Why the last run failed, as status panel 2 showed it; empty when it did not fail.
  const std::string& LastFailure() const { return lastFailure_; }

  /// Runs when tables, results or button states changed.
  std::function<void()> onChanged;
  /// Runs when the run moved on to another mode or point.
  std::function<void(const TempProgress&)> onProgress;
  /// The analysis window's reference-voltage field receives each mode's text.
  std::function<void(const std::string&)> onReferenceText;
  /// Runs after every mode with the point and mode just finished (for the live chart).
  std::function<void(int point, int mode)> onModeFinished;
  /// Runs with what the run must report at once, while nobody may be watching: a mode that
  /// failed, a wait for the USB bridge and its end.
  std::function<void(const std::string&)> onNotice;

 private:
  bool UsbOpen() const { return bench_.target.Usb.Opened; }
  void Changed() {
    if (onChanged) onChanged();
  }
  /// Waits `ms`, letting window messages run; returns Running.
  bool Pause(double ms);
  bool CheckTables(bool withChamber);
  /// Points, address columns and modes from the tables; the result table and arrays sized
  /// to them.
  void SizeRun();
  RunEnd RunHoldingButtons(bool withChamber);
  RunEnd Run(bool withChamber);
  RunEnd ChamberRun();
  RunEnd NoChamberRun();
  /// False when "QxTEMPA.CSV" could not be written (the run is then stopped).
  bool Closing();
  void MeasureMeters(int point, int mode);
  void WriteRaw();
  void Report(int point, int mode);
  /// The chamber was given point `point`'s set point and is on its way there.
  void ReportHeading(int point);
  void RecordMode(int point, int mode, int rawFile, const std::string& failure, int overRange);
  /// The result table's cell of a mode: its mean (flagged when over range), "failed" or empty.
  std::string ResultCell(int point, int mode) const;
  /// The mode still has to be measured in this run.
  bool Todo(int point, int mode) const;
  /// Moves TempIndex past the points whose modes are all measured.
  void SkipFinishedPoints();
  /// The bridge left the bus: waits for it up to the link-wait time. False, with the run
  /// stopped, when it does not come back (or the run was stopped meanwhile).
  bool WaitForLink(int point, int mode);
  void ModeFailed(int point, int mode, const std::string& why);
  void Notice(const std::string& text);
  /// A result file, raw file or the journal could not be written: the run stops at once.
  void StopWriting(const std::string& why);
  bool StartJournal(bool withChamber);
  bool ResumeRun(int64_t id);
  RunSettings Snapshot(bool withChamber) const;
  void Restore(const RunSettings& s);
  void Fail(const std::string& why);
  std::string SetPointRefused() const;
  std::string ChamberSilent() const;
  std::string NotANumber(int column, int point) const;

  Bench bench_;
  instruments::StepTraffic traffic_;
  TempResultWriter writer_{".", [](std::string_view utf8) { return std::string(utf8); }};
  RunJournal* journal_ = nullptr;
  int64_t runId_ = 0;
  std::string writeError_;  ///< why the last result file could not be written
  int meterChannels_ = 0;
  std::string loadFailure_;  ///< why the last LoadTemp failed
  /// The chamber's present value of its last reading in this run, tenths of a degree.
  std::optional<int> chamberTenths_;
  /// Point-major, one per mode: still to be measured in this run (all of them in a new run;
  /// in a resumed run those not recorded and those recorded as failed).
  std::vector<uint8_t> todo_;
  std::vector<FailedMode> failed_;
  std::string endReason_;
  std::string lastFailure_;
  double runStart_ = 0;
  int modesAtStart_ = 0;
  TempProgress progress_;
};

}  // namespace qx::autotest

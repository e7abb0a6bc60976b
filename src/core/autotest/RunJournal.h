#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::autotest {

/// File name of the run journal in the program folder.
inline constexpr char kRunJournalFile[] = "QxRuns.db";

/// A text table as the journal keeps it: rows of cells.
using TextRows = std::vector<std::vector<std::string>>;

/// What a temperature run needs to be continued or reproduced: its tables, the window's
/// settings, the chip and the instruments it ran with.
struct RunSettings {
  bool withChamber = true;  ///< "T-Begin" (true) or "T-Test"
  int points = 0;
  int modes = 0;
  int holdMinutes = 0;
  std::string powerDelayText;  ///< `PDlyT`
  std::string measure;         ///< `CADCBRY` item text
  std::string captureKind;     ///< `ComMode` item text
  bool fullFiles = false;      ///< `CHFULL`
  bool keepOperating = false;  ///< `FkNOINT`
  bool adcAndTemp = false;     ///< `ChADCTemp`
  int firstRawFile = 0;        ///< RawFileNumber when the run began
  TextRows tempTable;          ///< `TMPGrid`, header row included
  TextRows regTable;           ///< `RegChg`
  TextRows flukeTable;         ///< `FlukeGd`
  TextRows powerTable;         ///< `PowerGd`
  std::string chip;            ///< chip name of the setup dialog
  std::vector<uint8_t> regImage;
  std::string instruments;  ///< the instrument ports and their identities, one per line
  /// Resolution of the captures in bits (what a code is worth of full scale); 0 when not known.
  int captureBits = 0;
  std::string device;          ///< the device under test, as the user names it
  std::string note;            ///< the user's note on the run
  std::string programVersion;  ///< version of the program that ran it
  /// Name of the bench computer; the journal fills in this machine's when empty.
  std::string host;
  /// The run's identity across journals; a journal file makes one (random, RFC 4122 form) when
  /// empty.
  std::string uuid;
};

/// One finished mode: everything the result files hold for it.
struct ModeRecord {
  int point = 0;
  int mode = 0;
  double targetTemp = 0;
  double targetHum = 0;
  std::array<double, 14> stats{};
  std::array<double, 6> meterValue{};
  std::array<std::string, 6> meterUnit{};
  int rawFile = -1;      ///< number of the raw sample file written for the mode, -1 for none
  std::string recorded;  ///< local time the journal recorded the mode; RecordMode sets it
  /// Why the mode's capture failed after its attempts; empty for a measured mode. The figures
  /// of a failed mode are not a measurement, and a resumed run measures it again.
  std::string failure;
  /// Samples of the capture at either end of the code range: the input was beyond full scale
  /// and the figures measure the clipping, not the noise. 0 for a capture within range.
  int overRange = 0;
  /// The chamber's temperature as last read before the mode, °C; none in a run without the
  /// chamber (or in a record of an older journal, which did not keep it).
  std::optional<double> chamberTemp;
};

enum class RunState { Running, Completed, Stopped, Failed, Abandoned };

struct RunSummary {
  int64_t id = 0;
  std::string started;  ///< local time, "YYYY-MM-DD HH:MM:SS"
  std::string ended;    ///< empty while running
  RunState state = RunState::Running;
  bool withChamber = true;
  int points = 0;
  int modes = 0;
  int recorded = 0;  ///< modes recorded
  std::string chip;
  std::string device;
  std::string note;
};

/// Local time as the journal writes it, "YYYY-MM-DD HH:MM:SS".
using TimeText = std::function<std::string()>;

/// The run journal: every finished mode is recorded at once, so a run that the program or the
/// machine did not finish can be continued, and earlier runs stay queryable. Each operation is
/// one transaction; on failure it returns false (or nothing) and `LastError` says why. Every
/// operation clears `LastError` first, so an empty result with an empty error is a true empty.
///
/// Rules every implementation keeps:
/// - a run has at least one point and one mode; records are for points 1..points and modes
///   1..modes of their run;
/// - Completed and Abandoned runs are closed: nothing is recorded into them and they are not
///   ended again. A Stopped or Failed run takes records (that is how it is resumed) and is
///   Running again from its next record;
/// - a run ends in any state but Running;
/// - a failed mode (non-empty `failure`) keeps no figures: its statistics and meter values read
///   back 0 and its meter units empty, so nothing can take them for a measurement.
class RunJournal {
 public:
  virtual ~RunJournal() = default;

  /// A new run in state Running; its id.
  virtual std::optional<int64_t> Begin(const RunSettings& settings) = 0;
  /// Records a finished mode (a mode recorded again replaces the earlier record).
  virtual bool RecordMode(int64_t run, const ModeRecord& record) = 0;
  /// Ends a run in `state`.
  virtual bool End(int64_t run, RunState state) = 0;
  /// The latest run that is neither Completed nor Abandoned.
  virtual std::optional<RunSummary> Unfinished() = 0;
  virtual std::optional<RunSettings> Settings(int64_t run) = 0;
  /// Recorded modes in recording order.
  virtual std::vector<ModeRecord> Modes(int64_t run) = 0;
  /// Every run, newest first.
  virtual std::vector<RunSummary> List() = 0;
  /// Removes the run and its records; false, with the reason, when the journal holds no such
  /// run or cannot be written.
  virtual bool Delete(int64_t run) = 0;
  virtual std::string LastError() const = 0;
};

const char* RunStateName(RunState s);
std::optional<RunState> RunStateFromName(std::string_view name);
/// Running, Stopped and Failed runs can be continued.
bool IsUnfinished(RunState s);

/// `time` in the local time zone, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText(std::chrono::system_clock::time_point time);
/// `now()`, or the system clock's local time when `now` is empty.
std::string NowText(const TimeText& now);

/// Why a run with these settings cannot begin; empty when it can.
std::string BeginRefusal(const RunSettings& settings);
/// Why `record` cannot go into run `run` (of `points` x `modes`, in `state`); empty when it can.
std::string RecordRefusal(int64_t run, int points, int modes, RunState state,
                          const ModeRecord& record);
/// Why run `run` in `state` cannot end in `next`; empty when it can.
std::string EndRefusal(int64_t run, RunState state, RunState next);
std::string NoRunText(int64_t run);

}  // namespace qx::autotest

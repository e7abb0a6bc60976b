#include "cli/TempCommands.h"

#include "cli/RunShow.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string_view>

#include "cli/InstrumentCommands.h"
#include "cli/LinkCommands.h"
#include "cli/RunShow.h"
#include "core/autotest/MemoryRunJournal.h"
#include "core/autotest/RegisterListFiles.h"
#include "core/autotest/RunExport.h"
#include "core/instruments/InstrumentSelect.h"
#include "core/instruments/MeterPortsFile.h"
#include "platform/AnsiText.h"
#include "platform/FlockRunLock.h"
#include "platform/SqliteRunJournal.h"

namespace qx::cli {

namespace {

using autotest::TempForm;
using autotest::TempTest;

// The bench names the simulated instruments answer on.
constexpr char kFlukePort[] = "COM5";
constexpr char kPowerPort[] = "COM6";
constexpr char kChamberPort[] = "COM7";
constexpr int kFirstSimMeterPort = 8;

constexpr const char* kValueOptions[] = {
    "--points", "--start",   "--step",         "--modes",      "--hold",
    "--delay",  "--measure", "--chamber-port", "--fluke-port", "--power-port",
    "--bits",   "--samples", "--link-wait",    "--dut",        "--note"};
constexpr int kDefaultBits = 23;
constexpr long kMaxLinkWaitMinutes = 24 * 60;
constexpr long kMaxPoints = 30;
constexpr long kMaxModes = 10000;
constexpr long kMaxHoldMinutes = 7 * 24 * 60;
constexpr long kMaxDelayMs = 3'600'000;
constexpr double kMaxDegrees = 1000;
constexpr int kDefaultSamples = 256;
constexpr const char* kFlags[] = {"--chamber", "--no-chamber", "--resume", "--new", "--full"};

bool Known(const std::string& name) {
  for (const char* o : kValueOptions)
    if (name == o) return true;
  for (const char* f : kFlags)
    if (name == f) return true;
  return false;
}

std::string Option(const CliOptions& o, const char* name, const std::string& fallback) {
  const auto it = o.extra.find(name);
  return it == o.extra.end() ? fallback : it->second;
}

bool Flag(const CliOptions& o, const char* name) {
  return o.extra.count(name) != 0;
}

bool IsNumber(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0';
}

/// The journal of the program folder; an in-memory one, with a warning, when it cannot open.
std::unique_ptr<autotest::RunJournal> OpenJournal(const std::filesystem::path& dir,
                                                  std::ostream& err) {
  std::string error;
  if (auto j = platform::SqliteRunJournal::Open(dir / autotest::kRunJournalFile, error)) return j;
  err << "qxctl: the run journal cannot be opened (" << error
      << "); this run cannot be resumed after a crash\n";
  return std::make_unique<autotest::MemoryRunJournal>();
}

class TempRun {
 public:
  TempRun(CliSession& session, const CliOptions& options, std::ostream& out, std::ostream& err)
      : session_(session),
        bench_(session.Bench()),
        test_(bench_.tempTest),
        options_(options),
        out_(out),
        err_(err),
        dir_(ProgramDirOf(options.dir)) {}

  int Run() {
    if (!options_.args.empty()) return Usage("temp-test takes no arguments");
    for (const auto& [name, value] : options_.extra)
      if (!Known(name)) return Usage("unknown option " + name);
    if (Flag(options_, "--chamber") && Flag(options_, "--no-chamber"))
      return Usage("--chamber and --no-chamber exclude each other");
    const bool resume = Flag(options_, "--resume");
    if (resume && Flag(options_, "--new")) return Usage("--resume and --new exclude each other");
    if (!ApplyForm()) return kExitUsage;

    // The lists are only read: a run they refuse leaves nothing behind in the folder.
    if (const int status = LoadLists(); status != kExitOk) return status;
    // One run at a time in a folder; what an interrupted run left is cleared under the lock.
    lock_ = std::make_unique<platform::FlockRunLock>(dir_ / autotest::kRunLockFile);
    std::string refusal;
    if (!lock_->TryLock("qxctl", refusal)) {
      err_ << "qxctl: " << refusal << "\n";
      return kExitLinkFailed;
    }
    for (const auto& stale : autotest::RemoveStaleTemporaries(dir_))
      err_ << "qxctl: removed " << stale.string() << ", left by an interrupted write\n";

    test_.SetFiles(dir_, platform::ToCodePage950);
    journal_ = OpenJournal(dir_, err_);
    test_.SetJournal(journal_.get());
    const auto open = journal_->Unfinished();
    if (resume && !open) {
      err_ << "qxctl: --resume: the run journal holds no unfinished run; start one without "
              "--resume\n";
      return kExitUsage;
    }
    if (open && !resume && !Flag(options_, "--new")) {
      err_ << "qxctl: run " << open->id << " (started " << open->started << ", " << open->recorded
           << " of " << open->points * open->modes
           << " modes recorded) did not finish: continue it with --resume, or abandon it and "
              "start a new run with --new\n";
      return kExitUsage;
    }
    test_.resume = resume ? TempTest::Resume::Always : TempTest::Resume::Never;

    std::string error;
    if (!session_.Connect(error)) {
      err_ << "qxctl: " << error << "\n";
      return kExitLinkFailed;
    }
    const bool withChamber = !Flag(options_, "--no-chamber");
    if (!SelectInstruments(withChamber)) return kExitLinkFailed;

    test_.onProgress = [this](const autotest::TempProgress& p) { err_ << p.Text() << "\n"; };
    test_.onNotice = [this](const std::string& text) { err_ << "qxctl: " << text << "\n"; };
    const auto end = withChamber ? test_.TBgClick() : test_.TTestClick();
    test_.onProgress = nullptr;
    test_.onNotice = nullptr;
    for (const auto& e : session_.Host().errors) err_ << "qxctl: " << e << "\n";
    if (end != TempTest::RunEnd::Completed) {
      const std::string& why =
          !test_.EndReason().empty() ? test_.EndReason() : session_.Host().status[2];
      err_ << "qxctl: the temperature run did not complete" << (why.empty() ? "" : ": " + why)
           << "; continue it with --resume\n";
      return kExitLinkFailed;
    }
    if (!test_.FailedModes().empty()) {
      modesFailed_ = true;
      err_ << "qxctl: run " << test_.RunId() << " " << test_.EndReason() << ":";
      for (const auto& f : test_.FailedModes())
        err_ << "\n  point " << f.point << ", mode " << f.mode << ": " << f.why;
      err_ << "\nqxctl: --resume measures them again\n";
      return kExitLinkFailed;
    }
    out_ << "run " << test_.RunId() << " completed: " << test_.TempCount << " points x "
         << test_.ModeCount << " modes; results in " << dir_.string() << "\n";
    return kExitOk;
  }

  /// The run completed with failed modes (the test names them).
  bool ModesFailed() const { return modesFailed_; }

 private:
  int Usage(const std::string& why) {
    err_ << "qxctl: " << why << " " << HelpHint(options_.command) << "\n";
    return kExitUsage;
  }

  bool ApplyForm() {
    TempForm& f = test_.form;
    f.tempCount = Option(options_, "--points", f.tempCount);
    f.tempStart = Option(options_, "--start", f.tempStart);
    f.tempStep = Option(options_, "--step", f.tempStep);
    f.modeCount = Option(options_, "--modes", f.modeCount);
    f.holdMinutes = Option(options_, "--hold", f.holdMinutes);
    f.powerDelay = Option(options_, "--delay", f.powerDelay);
    f.linkWaitMinutes = Option(options_, "--link-wait", f.linkWaitMinutes);
    f.fullFiles = Flag(options_, "--full");
    f.device = Option(options_, "--dut", f.device);
    f.note = Option(options_, "--note", f.note);
    for (const char* name :
         {"--points", "--start", "--step", "--modes", "--hold", "--delay", "--link-wait"}) {
      const std::string v = Option(options_, name, "0");
      if (!IsNumber(v)) {
        err_ << "qxctl: " << name << ": not a number: " << v << " " << HelpHint("temp-test")
             << "\n";
        return false;
      }
    }
    // Counts and times that cannot be right are refused, never cut to something that runs.
    const struct {
      const char* name;
      long low, high;
      const char* what;
    } kWhole[] = {
        {"--points", 1, kMaxPoints, "temperature points"},
        {"--modes", 1, kMaxModes, "modes"},
        {"--hold", 0, kMaxHoldMinutes, "minutes"},
        {"--delay", 0, kMaxDelayMs, "milliseconds"},
        {"--link-wait", 0, kMaxLinkWaitMinutes, "minutes"},
    };
    for (const auto& w : kWhole) {
      if (options_.extra.count(w.name) == 0) continue;
      const std::string& text = options_.extra.at(w.name);
      const auto v = ParseNumberArgument(text);
      if (!v || *v < w.low || *v > w.high) {
        err_ << "qxctl: " << w.name << " " << text << ": a whole number of " << w.what << " from "
             << w.low << " to " << w.high << " is needed " << HelpHint("temp-test") << "\n";
        return false;
      }
    }
    for (const char* name : {"--start", "--step"}) {
      const double v = std::strtod(Option(options_, name, "0").c_str(), nullptr);
      if (!std::isfinite(v) || std::fabs(v) > kMaxDegrees) {
        err_ << "qxctl: " << name << " " << Option(options_, name, "0") << ": degrees from -"
             << kMaxDegrees << " to " << kMaxDegrees << " are needed " << HelpHint("temp-test")
             << "\n";
        return false;
      }
    }
    const std::string measure = Option(options_, "--measure", "adc");
    if (measure == "adc")
      f.measure = TempForm::Measure::Adc;
    else if (measure == "meters")
      f.measure = TempForm::Measure::Meters;
    else if (measure == "both")
      f.measure = TempForm::Measure::AdcAndMeters;
    else {
      err_ << "qxctl: --measure is adc, meters or both\n";
      return false;
    }
    // The analysis window's resolution and point count, which the captures use.
    const auto bits = ParseNumberArgument(Option(options_, "--bits", std::to_string(kDefaultBits)));
    if (!bits || *bits < 8 || *bits > 23) {
      err_ << "qxctl: --bits must be 8 to 23\n";
      return false;
    }
    bench_.capture.TXScaleChange(static_cast<int>(*bits - 8));
    const auto samples =
        ParseNumberArgument(Option(options_, "--samples", std::to_string(kDefaultSamples)));
    int item = -1;
    for (int k = 0; k <= 10; ++k)
      if (samples && *samples == (64L << k)) item = k;
    if (item < 0) {
      err_ << "qxctl: --samples must be 64, 128, 256 ... 65536\n";
      return false;
    }
    bench_.capture.NPointIndexChange(item);
    const auto built = test_.TMPCNTSETClick();
    if (!built.message.empty()) err_ << "qxctl: " << built.message << "\n";
    return true;
  }

  int LoadLists() {
    autotest::RegisterListFiles lists(test_.regs, test_.data, bench_.flukeSteps, bench_.powerSteps,
                                      session_.Host(), dir_);
    const int modes = autotest::RegStepTable::ParseModeCount(test_.form.modeCount);
    const auto reg = lists.DownloadReg(modes);
    if (!reg.ok) {
      err_ << "qxctl: " << reg.message << "\n";
      return kExitLinkFailed;
    }
    if (const std::string bad = lists.RunRefusal(reg.modeCount); !bad.empty()) {
      err_ << "qxctl: " << bad << "\n";
      return kExitUsage;
    }
    // A missing step file only leaves its table empty; one that cannot be read would run every
    // mode without its calibrator or power-supply setting, so the run does not start.
    for (const auto& steps : {lists.DownloadFluke(modes), lists.DownloadPower(modes)}) {
      if (!steps.ok) {
        err_ << "qxctl: " << steps.message << "\n";
        return kExitLinkFailed;
      }
      for (const std::string& w : steps.warnings) err_ << "qxctl: warning: " << w << "\n";
    }
    session_.Host().errors.clear();
    return kExitOk;
  }

  bool AnyEnabled(const instruments::StepTable& t) const {
    for (int r = 1; r < t.RowCount(); ++r)
      if (t.Enabled(r)) return true;
    return false;
  }

  bool SelectInstruments(bool withChamber) {
    instruments::InstrumentSelect select(bench_.instruments, session_.SerialPorts(),
                                         session_.Clock(), session_.Host());
    auto& host = session_.Host();
    if (withChamber &&
        !select.ChamberSelectClick(Option(options_, "--chamber-port", kChamberPort))) {
      err_ << "qxctl: the chamber does not answer: " << host.status[1] << "\n";
      return false;
    }
    if (AnyEnabled(bench_.flukeSteps) &&
        !select.FlukeSelectClick(Option(options_, "--fluke-port", kFlukePort)))
      err_ << "qxctl: the calibrator does not answer, its steps are skipped: " << host.status[1]
           << "\n";
    if (AnyEnabled(bench_.powerSteps) &&
        !select.PowerSelectClick(Option(options_, "--power-port", kPowerPort)))
      err_ << "qxctl: the power supply does not answer, its steps are skipped: " << host.status[1]
           << "\n";
    if (test_.form.MeasuresMeters()) {
      std::string fileError;
      auto names = instruments::MeterPortsFile::Load(dir_ / instruments::MeterPortsFile::kFileName,
                                                     nullptr, &fileError);
      if (!fileError.empty()) {
        err_ << "qxctl: " << fileError << "\n";
        return false;
      }
      int selected = 0;
      for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty() && options_.simulate)
          names[i] = "COM" + std::to_string(kFirstSimMeterPort + static_cast<int>(i));
        if (names[i].empty()) continue;
        if (select.MeterSelect(i, names[i]))
          ++selected;
        else
          err_ << "qxctl: meter " << i + 1 << " on " << names[i] << " does not answer\n";
      }
      if (selected == 0) {
        err_ << "qxctl: no multimeter answers (their ports are in "
             << instruments::MeterPortsFile::kFileName << ")\n";
        return false;
      }
    }
    return true;
  }

  CliSession& session_;
  app::Workbench& bench_;
  TempTest& test_;
  const CliOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  std::filesystem::path dir_;
  std::unique_ptr<autotest::RunLock> lock_;
  std::unique_ptr<autotest::RunJournal> journal_;
  bool modesFailed_ = false;
};

}  // namespace

bool IsTempFlag(const std::string& option) {
  for (const char* f : kFlags)
    if (option == f) return true;
  return false;
}

namespace {

/// Passes text on to another stream and keeps its last "qxctl: " line: the reason a run gives
/// for its end.
class ReasonTee : public std::streambuf {
 public:
  explicit ReasonTee(std::ostream& to) : to_(to) {}
  std::string Reason() const {
    constexpr std::string_view kPrefix = "qxctl: ";
    return last_.starts_with(kPrefix) ? last_.substr(kPrefix.size()) : last_;
  }

 private:
  int overflow(int c) override {
    if (c == traits_type::eof()) return 0;
    to_.put(static_cast<char>(c));
    if (c != '\n') {
      line_.push_back(static_cast<char>(c));
    } else {
      if (line_.starts_with("qxctl: ")) last_ = line_;
      line_.clear();
    }
    return c;
  }
  std::ostream& to_;
  std::string line_;
  std::string last_;
};

}  // namespace

std::string RunTemperatureForClient(CliSession& session, const CliOptions& options,
                                    std::ostream& log) {
  ReasonTee tee(log);
  std::ostream err(&tee);
  std::ostringstream out;
  TempRun run(session, options, out, err);
  if (run.Run() == kExitOk) {
    log << out.str();
    return {};
  }
  const auto& failed = session.Bench().tempTest.FailedModes();
  if (run.ModesFailed() && !failed.empty()) {
    std::string why = session.Bench().tempTest.EndReason();
    why.append(": point ").append(std::to_string(failed.front().point));
    why.append(", mode ").append(std::to_string(failed.front().mode));
    why.append(" first; RESume measures them again");
    return why;
  }
  const std::string why = tee.Reason();
  return why.empty() ? "the temperature run did not complete" : why;
}

int RunTempCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                   std::ostream& err) {
  TraceInstruments(session, options.trace);
  const int status = TempRun(session, options, out, err).Run();
  TraceInstruments(session, false);
  return status;
}

int RunRunsCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
  const std::filesystem::path dir = ProgramDirOf(options.dir);
  const auto& a = options.args;
  const bool list = a.size() == 1 && a[0] == "list";
  const bool exportRun = a.size() == 2 && a[0] == "export";
  const bool show = a.size() == 2 && a[0] == "show";
  const bool report = a.size() == 2 && a[0] == "report";
  if (!list && !exportRun && !show && !report) {
    err << "qxctl: runs takes list, show ID, export ID or report ID " << HelpHint("runs") << "\n";
    return kExitUsage;
  }
  for (const auto& [name, value] : options.extra) {
    if (!(name == "--out" && (exportRun || report)) && !(name == "--json" && show)) {
      err << "qxctl: unknown option " << name << " " << HelpHint("runs") << "\n";
      return kExitUsage;
    }
  }
  std::optional<long> runId;
  if (!list) {
    runId = ParseNumberArgument(a[1]);
    if (!runId || *runId <= 0) {
      err << "qxctl: not a run id: " << a[1] << " " << HelpHint("runs") << "\n";
      return kExitUsage;
    }
  }
  const auto file = dir / autotest::kRunJournalFile;
  if (!std::filesystem::exists(file)) {
    err << "qxctl: no run journal in " << dir.string() << " (" << autotest::kRunJournalFile
        << ")\n";
    return kExitLinkFailed;
  }
  std::string error;
  auto journal = platform::SqliteRunJournal::Open(file, error);
  if (!journal) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  if (list) {
    out << "id,started,ended,state,chamber,points,modes,recorded,chip\n";
    for (const auto& r : journal->List())
      out << r.id << "," << r.started << "," << r.ended << "," << autotest::RunStateName(r.state)
          << "," << (r.withChamber ? "yes" : "no") << "," << r.points << "," << r.modes << ","
          << r.recorded << "," << r.chip << "\n";
    return kExitOk;
  }
  const auto id = runId;
  if (show) return ShowRun(*journal, *id, options.extra.count("--json") != 0, out, err);
  const auto it = options.extra.find("--out");
  if (report) {
    const std::filesystem::path page = it != options.extra.end()
                                           ? std::filesystem::path(it->second)
                                           : dir / ("QxRun-" + std::to_string(*id) + ".html");
    return ReportRun(*journal, *id, page, out, err);
  }
  const std::filesystem::path out_dir = it != options.extra.end()
                                            ? std::filesystem::path(it->second)
                                            : dir / ("QxRun-" + std::to_string(*id));
  std::error_code ec;
  std::filesystem::create_directories(out_dir, ec);
  if (ec) {
    err << "qxctl: cannot create " << out_dir.string() << ": " << ec.message() << "\n";
    return kExitLinkFailed;
  }
  const autotest::TempResultWriter writer(out_dir, platform::ToCodePage950);
  const auto written = autotest::ExportRun(*journal, *id, writer, error);
  if (written.empty()) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  for (const auto& name : written) out << (out_dir / name).string() << "\n";
  return kExitOk;
}

}  // namespace qx::cli

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/app/CommandLine.h"
#include "core/app/InstalledCopy.h"
#include "core/base/FakeClock.h"
#include "core/base/SteadyClock.h"
#include "gui/GuardedApplication.h"
#include "gui/PanelApplication.h"
#include "platform/CrashSignals.h"
#include "platform/DurableFiles.h"
#include "platform/HidapiBackend.h"
#include "platform/LibusbBulkDriver.h"
#include "platform/LinuxDriverServices.h"
#include "platform/PosixSerialPortProvider.h"
#include "platform/PpdevParallelDriver.h"
#include "sim/SimBoard.h"
#include "sim/SimFaultPlan.h"

int main(int argc, char** argv) {
  // Help and version answer before QApplication, which aborts when there is no display.
  {
    std::vector<std::string> raw(argv + 1, argv + argc);
    const qx::app::CommandLine early = qx::app::CommandLine::Parse(raw);
    if (early.Help || early.Version) {
      const std::string text =
          early.Help ? qx::app::CommandLine::Usage() : qx::app::CommandLine::VersionText();
      std::fputs(text.c_str(), stdout);
      return 0;
    }
    // Qt takes its own single-dash options (-platform xcb) out of the arguments only once it
    // runs; an error of ours is said now, as Qt would abort without a display.
    const std::string& e = early.Error;
    const bool maybeQtOption =
        e.rfind("unknown argument: ", 0) == 0 && e.rfind("unknown argument: --", 0) != 0;
    if (!e.empty() && !maybeQtOption) {
      std::fprintf(stderr, "qxpanel: %s (see qxpanel --help)\n", e.c_str());
      return 2;
    }
  }
  qx::platform::DurableFiles::Install();
  qx::gui::GuardedApplication::InstallLastResort();
  qx::gui::GuardedApplication application(argc, argv);
  std::vector<std::string> args;
  for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
  const qx::app::CommandLine options = qx::app::CommandLine::Parse(args);
  if (!options.Error.empty()) {
    std::fprintf(stderr, "qxpanel: %s (see qxpanel --help)\n", options.Error.c_str());
    return 2;
  }
  // The simulated bridge's faults: the command line's, else the environment's.
  std::vector<qx::sim::SimFault> faults;
  if (options.Simulate) {
    const char* environment = std::getenv("QX_SIM_FAULT");
    const bool given = options.SimFault.has_value();
    if (given || (environment && *environment)) {
      std::string why;
      const auto plan = qx::sim::SimFaultPlan::Parse(given ? *options.SimFault : environment, why);
      if (!plan) {
        std::fprintf(stderr, "qxpanel: %s: %s\n", given ? "--sim-fault" : "QX_SIM_FAULT",
                     why.c_str());
        return 2;
      }
      faults = *plan;
    }
  }
  // An installed copy works in a per-user folder unless --dir or QX_PROGRAM_DIR names one.
  const qx::app::InstalledCopy::Choice folder =
      qx::app::InstalledCopy::ChooseProgramDir(options.Dir, std::getenv("QX_PROGRAM_DIR"),
                                               QCoreApplication::applicationDirPath().toStdString(),
                                               std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (!folder.problem.empty()) std::fprintf(stderr, "qxpanel: %s\n", folder.problem.c_str());
  const std::string& programDir = folder.programDir;

  // A report the last session left when it died is kept aside and named once the window shows.
  std::string crashProblem;
  const std::string lastCrash = qx::platform::CrashSignals::TakePrevious(
      programDir + qx::app::CrashReport::kFileName,
      programDir + qx::app::CrashReport::kSeenFileName, crashProblem);
  if (!crashProblem.empty()) std::fprintf(stderr, "qxpanel: %s\n", crashProblem.c_str());

  // Outlives the windows: their close is a moment worth a report too.
  static qx::app::CrashReport crash(qx::app::CommandLine::VersionText("qxpanel"));
  qx::platform::CrashSignals::Install(crash, programDir + qx::app::CrashReport::kFileName);

  // On virtual time every wait of the simulated bench (the chamber's hold, a mode's settling)
  // passes at once; the windows' own timers keep real time.
  qx::base::SteadyClock steadyClock;
  qx::base::FakeClock virtualClock;
  qx::base::Clock& clock = options.Simulate && options.VirtualTime
                               ? static_cast<qx::base::Clock&>(virtualClock)
                               : static_cast<qx::base::Clock&>(steadyClock);
  auto panel = std::make_unique<qx::gui::PanelApplication>(programDir, clock);

  std::unique_ptr<qx::sim::SimBoard> board;
  std::unique_ptr<qx::platform::HidapiBackend> hid;
  std::unique_ptr<qx::platform::LibusbBulkDriver> bulk;
  std::unique_ptr<qx::platform::PosixSerialPortProvider> serialPorts;
  std::unique_ptr<qx::platform::PpdevParallelDriver> parallel;
  std::unique_ptr<qx::platform::LinuxDriverServices> driverServices;
  if (options.Simulate) {
    board = std::make_unique<qx::sim::SimBoard>(clock, panel->Bench().chip);
    board->SetFaultPlan(faults);
    panel->Hid().Bind(&board->Hid());
    panel->Bulk().Bind(&board->Bulk());
    panel->Serial().Bind(&board->SerialPorts());
    panel->Bench().parallel.Attach(board->Parallel(), board->DriverServices());
    // The simulated converter follows the gain tables of every chip the setup dialog loads.
    panel->Host().OnChipLoaded(&panel->Main(),
                               [&board, &panel] { board->ApplyChipGains(panel->Bench().chip); });
  } else {
    hid = std::make_unique<qx::platform::HidapiBackend>();
    bulk = std::make_unique<qx::platform::LibusbBulkDriver>();
    panel->Hid().Bind(hid.get());
    panel->Bulk().Bind(bulk.get());
    serialPorts = std::make_unique<qx::platform::PosixSerialPortProvider>(programDir);
    serialPorts->OnProblem([&panel](const std::string& problem) {
      std::fprintf(stderr, "qxpanel: %s\n", problem.c_str());
      panel->Host().SetStatus(2, problem);
    });
    panel->Serial().Bind(serialPorts.get());
    parallel = std::make_unique<qx::platform::PpdevParallelDriver>(
        qx::platform::PpdevParallelDriver::ReadTable(programDir));
    driverServices = std::make_unique<qx::platform::LinuxDriverServices>();
    panel->Bench().parallel.Attach(*parallel, *driverServices);
  }

  panel->Start();
  panel->ApplyOptions(options);
  panel->FollowForCrashReport(crash);
  panel->Main().show();
  if (!lastCrash.empty()) {
    const std::string notice = qx::app::CrashReport::StartupNotice(lastCrash);
    std::fprintf(stderr, "qxpanel: %s\n", notice.c_str());
    panel->Host().SetStatus(2, notice);
    // The path does not fit the status bar: a box that waits for nobody says it whole.
    auto* box = new QMessageBox(QMessageBox::Warning, panel->Main().windowTitle(),
                                QString::fromStdString(notice), QMessageBox::Ok, &panel->Main());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
  }
  const int rc = QApplication::exec();
  // The main window releases the bridge while the backends still exist.
  panel.reset();
  return rc;
}

#pragma once

#include <QPointer>
#include <memory>
#include <string>

#include "core/app/CommandLine.h"
#include "core/app/CrashReport.h"
#include "core/app/ShellCommands.h"
#include "core/app/Workbench.h"
#include "gui/BackendSwitch.h"
#include "gui/LinkMonitorTimer.h"
#include "gui/MainPanel.h"
#include "gui/OptionDialog.h"
#include "gui/QtHost.h"
#include "gui/QtScpiTransport.h"
#include "gui/SerialSwitch.h"
#include "gui/analysis/AnxAdcForm.h"
#include "gui/analysis/NoiseSweepForm.h"
#include "gui/autotest/RunHistoryWindow.h"
#include "gui/autotest/TWeightCAL.h"
#include "gui/autotest/TempTestWindow.h"
#include "gui/instruments/StepTableWindow.h"
#include "gui/panels/TADCForm.h"
#include "gui/panels/TCMPForm.h"
#include "gui/panels/TOPForm.h"
#include "gui/views/ViewWindows.h"

namespace qx::gui {

/// The program's windows and shared state, created in the fixed window order. The backends are
/// bound through `Hid()` and `Bulk()` before `Start()`.
class PanelApplication {
 public:
  static constexpr char kProgramName[] = "qxpanel";

  PanelApplication(const std::string& programDir, base::Clock& clock);
  ~PanelApplication();
  PanelApplication(const PanelApplication&) = delete;
  PanelApplication& operator=(const PanelApplication&) = delete;

  /// Start-up activation of the main window.
  void Start();
  /// What the command line changes in the windows: `--switch-test` shows "Switch Test",
  /// `--remote` starts the SCPI server.
  void ApplyOptions(const app::CommandLine& options);
  /// Starts the SCPI server on `at` (the address "Remote control…" uses from now on); a
  /// failure is said in the status bar and leaves the item unchecked.
  bool StartRemote(const remote::Ipv4Endpoint& at);
  void StopRemote();
  QtScpiTransport& Remote() { return *remote_; }

  HidSwitch& Hid() { return hid_; }
  BulkSwitch& Bulk() { return bulk_; }
  SerialSwitch& Serial() { return serial_; }
  QtHost& Host() { return host_; }
  app::Workbench& Bench() { return bench_; }
  app::ShellCommands& Shell() { return shell_; }
  MainPanel& Main() { return *main_; }
  LinkMonitorTimer& Up() { return *up_; }
  OptionDialog& Option() { return *option_; }
  ViewWindows& Views() { return *views_; }
  TADCForm& AdcForm() { return *adc_; }
  TOPForm& OpForm() { return *op_; }
  TCMPForm& CmpForm() { return *cmp_; }
  analysis::AnxAdcForm& AnxAdc() { return *anxAdc_; }
  analysis::NoiseSweepForm& NoiseSweep() { return *sweep_; }
  autotest::TWeightCAL& SwitchTest() { return *switchTest_; }
  StepTableWindow& Fluke() { return *fluke_; }
  StepTableWindow& Power() { return *power_; }
  autotest::TempTestWindow& TempTest() { return *temp_; }
  autotest::RunHistoryWindow& RunHistory() { return *history_; }
  /// Keeps `report` up to date with what the panel is doing (commands, chip, link, window), for
  /// the moment it dies; the report outlives the panel, whose close may be that moment.
  void FollowForCrashReport(app::CrashReport& report);

 private:
  void RegisterPanelCommands();
  void CreateStepTables();
  void CreateNoiseSweep();
  void CreateRemote();
  /// Menu items and status text after the server, its clients or its lock changed.
  void ShowRemoteState();
  app::CrashReport::Context CrashContext() const;

  HidSwitch hid_;
  BulkSwitch bulk_;
  SerialSwitch serial_;
  QtHost host_;
  app::Workbench bench_;
  app::ShellCommands shell_;
  std::string programDir_;
  // Windows in creation order; destroyed in reverse, the timer before the main window.
  std::unique_ptr<MainPanel> main_;
  std::unique_ptr<LinkMonitorTimer> up_;
  std::unique_ptr<OptionDialog> option_;
  std::unique_ptr<ViewWindows> views_;  // TQx_RAM, TQx_Reg2, TQxPopSelHex
  // The windows below are children of the main window, which deletes them; guarded, as a
  // window's hooks and commands must never reach one that is gone.
  QPointer<TADCForm> adc_;
  QPointer<TOPForm> op_;
  QPointer<TCMPForm> cmp_;
  QPointer<analysis::AnxAdcForm> anxAdc_;         ///< owned by the main window's widget tree
  QPointer<analysis::NoiseSweepForm> sweep_;      ///< "Noise Sweep", owned by the main window
  QPointer<autotest::TWeightCAL> switchTest_;     ///< owned by the main window's widget tree
  QPointer<StepTableWindow> fluke_;               ///< `TFLUKE`, owned by the main window
  QPointer<StepTableWindow> power_;               ///< `TFPower`, owned by the main window
  QPointer<autotest::TempTestWindow> temp_;       ///< `TTMP`, owned by the main window
  QPointer<autotest::RunHistoryWindow> history_;  ///< a window of its own, owned by the main one
  /// How a client's temperature run reaches the temperature window.
  std::unique_ptr<app::TempRunStarter> tempRuns_;
  std::unique_ptr<QtScpiTransport> remote_;  ///< before the windows go: its clients first
  remote::Ipv4Endpoint remoteAt_{remote::kLoopback, 5025};
};

}  // namespace qx::gui

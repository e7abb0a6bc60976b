#include "gui/PanelApplication.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>
#include <initializer_list>
#include <optional>

#include "core/app/SetupShellBinding.h"
#include "core/chip/SetupChipLoad.h"
#include "core/chip/SetupLists.h"

namespace qx::gui {

PanelApplication::PanelApplication(const std::string& programDir, base::Clock& clock)
    : bench_(clock, host_, hid_, bulk_), shell_(bench_, programDir), programDir_(programDir) {
  main_ = std::make_unique<MainPanel>(bench_, shell_, programDir + kProgramName);
  host_.Attach(main_.get());
  up_ = std::make_unique<LinkMonitorTimer>(bench_.monitor);
  main_->RegisterForm(app::FormId::TQx_UP, nullptr);
  option_ = std::make_unique<OptionDialog>(bench_, serial_, programDir);
  main_->RegisterForm(app::FormId::TOption, option_.get());
  main_->RegisterCommand("SMenu_Option", [this] { option_->ShowSetup(main_->pos()); });
  views_ = std::make_unique<ViewWindows>(bench_, host_, *main_);
  views_->CreateRamView();
  views_->CreateRegisterView();
  adc_ = new TADCForm(bench_, host_, main_.get());
  main_->RegisterForm(app::FormId::TADCForm, adc_);
  op_ = new TOPForm(bench_, host_, main_.get());
  main_->RegisterForm(app::FormId::TOPForm, op_);
  cmp_ = new TCMPForm(bench_, host_, main_.get());
  main_->RegisterForm(app::FormId::TCMPForm, cmp_);
  RegisterPanelCommands();
  views_->CreatePopup();
  anxAdc_ = new analysis::AnxAdcForm(bench_, host_, *main_, main_.get());
  main_->RegisterForm(app::FormId::TAnxADC, anxAdc_);
  CreateNoiseSweep();
  switchTest_ = new autotest::TWeightCAL(bench_, programDir, main_.get());
  main_->RegisterForm(app::FormId::TWeightCAL, switchTest_);
  CreateStepTables();
  temp_ = new autotest::TempTestWindow(bench_, *main_, programDir, main_.get());
  main_->RegisterForm(app::FormId::TTMP, temp_);
  history_ = new autotest::RunHistoryWindow(
      programDir, *main_,
      [this] { return bench_.tempTest.Running ? bench_.tempTest.RunId() : int64_t{0}; },
      main_.get());
  // Resume runs in the temperature window, as its own buttons do, answering "Resume".
  history_->resume = [this](bool withChamber) -> std::string {
    if (!temp_) return "the temperature window is closed";
    temp_->RegistClick();
    return temp_->RunForClient(withChamber, app::TempRunStarter::Unfinished::Resume);
  };
  if (QAction* item = main_->RunHistoryAction()) {
    QObject::connect(item, &QAction::triggered, main_.get(), [this] {
      if (!history_) return;
      history_->show();
      history_->raise();
      history_->activateWindow();
    });
  }
  // T-Begin opens the chamber where the last session found it.
  temp_->SetChamberOpener([this] { return option_->SelectRememberedChamber(); });
  // A capture owns the bridge: the ADC panel's continuous reading stops and says so.
  bench_.capture.onCaptureStart = [this] {
    if (adc_) adc_->StopContinuousRead();
  };
  app::SetupShellBinding::Bind(option_->Model(), shell_);
  host_.OnChipLoaded(main_.get(), [this] { main_->SayHiddenCommands(); });
  // Closing the setup dialog on the parallel link sets the port up; status panel 0 says how.
  option_->Model().initParallelPort = [this](uint16_t) { bench_.parallel.LptInit(); };
  CreateRemote();
}

namespace {

/// A client's temperature run, run by the temperature window as its own buttons do.
class WindowTempRuns : public app::TempRunStarter {
 public:
  explicit WindowTempRuns(QPointer<autotest::TempTestWindow>& window) : window_(window) {}
  std::string RunTemperature(bool withChamber, Unfinished unfinished) override {
    if (!window_) return "the temperature window is closed";
    return window_->RunForClient(withChamber, unfinished);
  }

 private:
  QPointer<autotest::TempTestWindow>& window_;
};

}  // namespace

void PanelApplication::CreateRemote() {
  remote_ = std::make_unique<QtScpiTransport>(bench_);
  tempRuns_ = std::make_unique<WindowTempRuns>(temp_);
  remote_->SetConfigure([this](app::RemoteBench& device) {
    device.SetChipFolder(chip::SetupChipLoad::FolderOf(programDir_));
    device.SetTempRunStarter(tempRuns_.get());
  });
  QObject::connect(remote_.get(), &QtScpiTransport::Changed, main_.get(),
                   [this] { ShowRemoteState(); });
  QObject::connect(main_->RemoteAction(), &QAction::triggered, main_.get(), [this](bool on) {
    if (on)
      StartRemote(remoteAt_);
    else
      StopRemote();
  });
  QObject::connect(main_->LocalAction(), &QAction::triggered, main_.get(), [this](bool on) {
    remote::ScpiServer* server = remote_->Server();
    if (!server) return ShowRemoteState();
    if (on)
      server->TakeLocal();
    else
      server->GiveBackLocal();
    ShowRemoteState();
  });
  // While a client holds the lock the panel's own writes to the target are refused.
  views_->SetWriteGuard([this] {
    const remote::ScpiServer* server = remote_ ? remote_->Server() : nullptr;
    const std::string refusal =
        server ? app::RemoteBench::LocalRefusal("Register write", server->LockHolder())
               : std::string();
    if (refusal.empty()) return true;
    main_->SetStatusText(2, QString::fromStdString(refusal));
    return false;
  });
  ShowRemoteState();
}

bool PanelApplication::StartRemote(const remote::Ipv4Endpoint& at) {
  remoteAt_ = at;
  std::string error;
  if (!remote_->Start(at, error)) {
    main_->SetStatusText(2, QString::fromStdString("Remote control: " + error));
    ShowRemoteState();
    return false;
  }
  if (remote_->Local().address != remote::kLoopback) {
    std::string notice = "Remote control listens on ";
    notice.append(remote_->LocalText())
        .append(", beyond this computer: every client that reaches it controls the bench");
    main_->SetStatusText(2, QString::fromStdString(notice));
  }
  return true;
}

void PanelApplication::StopRemote() {
  remote_->Stop();
  // A client's capture still runs on the server: it is stopped, and the server goes after it.
  if (remote_->Listening())
    main_->SetStatusText(2, "Remote control: stops once the client's capture has ended");
  ShowRemoteState();
}

void PanelApplication::ShowRemoteState() {
  const remote::ScpiServer* server = remote_->Server();
  QAction* item = main_->RemoteAction();
  QAction* local = main_->LocalAction();
  item->setChecked(server != nullptr);
  std::string where = remote::FormatIpv4(remoteAt_.address);
  where.append(1, ':').append(std::to_string(remoteAt_.port));
  if (server) where = remote_->LocalText();
  item->setText(QString::fromUtf8("Remote control… (%1)").arg(QString::fromStdString(where)));
  local->setEnabled(server != nullptr);
  local->setChecked(server && server->LocalHolds());
  // While a client holds the lock, the windows that change the bench take no input, so no
  // setting or capture changes under the script; "Local" gives them back.
  const bool clientHolds = server && server->LockHolder() && !server->LocalHolds();
  for (QWidget* window : std::initializer_list<QWidget*>{adc_, op_, cmp_, anxAdc_, sweep_,
                                                         switchTest_, fluke_, power_, temp_})
    if (window) window->setEnabled(!clientHolds);
  main_->SetRemoteStatus(server ? QString::fromStdString(app::RemoteBench::PanelStatus(
                                      where, remote_->Clients(), server->LockHolder()))
                                : QString());
}

void PanelApplication::FollowForCrashReport(app::CrashReport& report) {
  main_->onCommand = [this, &report](const std::string& command) {
    report.Command(command, CrashContext());
  };
  host_.OnChipLoaded(main_.get(), [this, &report] { report.Update(CrashContext()); });
  host_.OnUsbClient(main_.get(), [this, &report] { report.Update(CrashContext()); });
  report.Update(CrashContext());
}

app::CrashReport::Context PanelApplication::CrashContext() const {
  app::CrashReport::Context c;
  c.chip = bench_.chip.ModelName;
  const auto kind = static_cast<size_t>(bench_.target.LinkKind);
  c.link = kind < chip::SetupLists::kLinkItems.size() ? chip::SetupLists::kLinkItems[kind]
                                                      : std::to_string(bench_.target.LinkKind);
  c.link += bench_.target.Usb.Opened ? ", USB bridge open" : ", USB bridge closed";
  if (const QMdiSubWindow* active = main_->MdiArea()->activeSubWindow(); active && active->widget())
    c.window = active->widget()->objectName().toStdString();
  return c;
}

void PanelApplication::RegisterPanelCommands() {
  const auto open = [this](app::FormId form, SchematicForm* schematic) {
    return [this, form, window = QPointer<SchematicForm>(schematic)] {
      main_->ShowChild(form, app::InfoOf(form).PlacementIndex, true);
      if (window) window->raise();
    };
  };
  main_->RegisterCommand("SMenu_ADC", open(app::FormId::TADCForm, adc_));
  main_->RegisterCommand("SMenu_OP", open(app::FormId::TOPForm, op_));
  main_->RegisterCommand("SMenu_CMP", open(app::FormId::TCMPForm, cmp_));
}

void PanelApplication::CreateNoiseSweep() {
  sweep_ = new analysis::NoiseSweepForm(bench_, *main_, main_.get());
  sweep_->hide();
  const auto open = [this] {
    if (!sweep_) return;
    // Not a window of the placement table: it opens as an MDI child where it was left, or at
    // its default size.
    QMdiSubWindow* sub = nullptr;
    for (QMdiSubWindow* s : main_->MdiArea()->subWindowList())
      if (s->widget() == sweep_) sub = s;
    if (!sub) {
      sub = main_->AddFrame(sweep_);
      if (const std::optional<QRect> bounds = main_->RememberedBounds(sweep_))
        sub->setGeometry(*bounds);
      else
        sub->resize(sub->sizeHint().expandedTo(QSize(analysis::NoiseSweepForm::kDefaultWidth,
                                                     analysis::NoiseSweepForm::kDefaultHeight)));
    }
    // Its close button and last column stay on screen whatever the main window's size.
    main_->FitInWorkArea(sub);
    sweep_->SyncChip();
    sub->show();
    sweep_->show();
    sub->raise();
    main_->MdiArea()->setActiveSubWindow(sub);
  };
  main_->RegisterCommand("Menu_NoiseSweep", open);
  main_->RememberPlacement(sweep_, open);
}

void PanelApplication::CreateStepTables() {
  fluke_ = new StepTableWindow("FLUKE-5500", "FlukeGd", bench_.flukeSteps, main_.get());
  main_->RegisterForm(app::FormId::TFLUKE, fluke_);
  power_ = new StepTableWindow("Power Supply", "PowerGd", bench_.powerSteps, main_.get());
  main_->RegisterForm(app::FormId::TFPower, power_);
  const auto wire = [this](StepTableWindow* window, const char* save, const char* load) {
    window->onSave = [this, save] { main_->RunCommand(save); };
    window->onLoad = [this, load] { main_->RunCommand(load); };
    window->onStatus = [this](const std::string& text) {
      main_->SetStatusText(2, QString::fromStdString(text));
    };
  };
  wire(fluke_, "SaveFluke1", "DownLoadFluke1");
  wire(power_, "SavePower1", "DownloadPower1");
  // Side by side at the top of the work area, so both show whole when opened together.
  power_->move(fluke_->width() + 10, 0);
}

PanelApplication::~PanelApplication() {
  remote_.reset();  // its clients go before the bench they drive
  views_.reset();
  app::SetupShellBinding::Unbind(shell_);
  option_.reset();
  up_.reset();
  main_.reset();
  host_.Attach(nullptr);
}

void PanelApplication::Start() {
  main_->FormActivate();
  // The settings loader changed what the dialog shows after its last chip load.
  option_->Sync();
  adc_->ConfigLoaded();
}

void PanelApplication::ApplyOptions(const app::CommandLine& options) {
  if (options.SwitchTest) main_->RevealCommand("MCALW");
  if (options.Remote) StartRemote(*options.Remote);
}

}  // namespace qx::gui

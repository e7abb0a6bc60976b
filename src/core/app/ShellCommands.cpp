#include "core/app/ShellCommands.h"

#include "core/app/MainMenu.h"
#include "core/app/ProgramFolderCheck.h"
#include "core/app/Workbench.h"
#include "core/autotest/TempFormFile.h"
#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "core/chip/ChipList.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/SetupChipLoad.h"

namespace qx::app {

namespace {
constexpr int kMinCapture = 256;
constexpr int kMaxCapture = 65536;
}  // namespace

ShellCommands::ShellCommands(Workbench& bench, std::string programDir)
    : bench_(bench), programDir_(std::move(programDir)), config_(bench.target, bench.settings) {}

void ShellCommands::InitLinkState() {
  bench_.target.ComPort.reset();
  bench_.target.ComOpen = false;
  bench_.target.Usb.Opened = false;
  bench_.target.Usb.Handle = link::kInvalidHandle;
  bench_.usb.IdleTicks() = 0;
}

ConfigLoadResult ShellCommands::StartupActivation() {
  const ConfigLoadResult r = config_.Load(ConfigPath());
  if (!r.message.empty()) bench_.host.SetStatus(2, r.message);
  // A capture started before the analysis window is first shown (a sweep, a temperature run)
  // measures with the resolution and point count just loaded, not with none.
  bench_.capture.SyncFromSettings();
  bench_.switchTest.LoadConfig(StepPath());
  LoadTempForm();
  // Without this the chip list quietly falls back to names that load nothing.
  if (const std::string missing = ProgramFolderCheck::Problem(programDir_); !missing.empty())
    bench_.host.SetStatus(1, missing);
  int& points = bench_.settings.PointCount;
  if (points < kMinCapture || points > kMaxCapture) points = kMinCapture;
  RememberSaved();
  return r;
}

void ShellCommands::RememberSaved() {
  savedConfig_ = config_.Render();
  savedSteps_ = autotest::StepFile::Text(bench_.switchTest.Snapshot());
  savedTempForm_ = autotest::TempFormFile::Render(bench_.tempTest.form, &bench_.tempTest.regs);
}

void ShellCommands::LoadTempForm() {
  const base::FileRead read =
      base::ReadRegularFile(TempFormPath(), autotest::TempFormFile::kMaxBytes);
  if (read.status == base::FileRead::Status::Missing) return;
  if (!read.Ok()) {
    bench_.host.SetStatus(2, read.error);
    return;
  }
  if (const int bad =
          autotest::TempFormFile::Apply(read.bytes, bench_.tempTest.form, &bench_.tempTest.regs);
      bad > 0)
    bench_.host.SetStatus(2, std::string(autotest::TempFormFile::kFileName) + " line " +
                                 std::to_string(bad) + ": not read; the box keeps its value");
  if (bench_.tempTest.onChanged) bench_.tempTest.onChanged();
}

bool ShellCommands::SaveTempForm(const std::string& text) {
  std::string error;
  if (base::AtomicFile::Write(TempFormPath(), text, error)) return true;
  bench_.host.SetStatus(2, "The temperature test settings could not be saved: " + error);
  return false;
}

bool ShellCommands::SaveConfig() {
  std::string error;
  bool ok = config_.Save(ConfigPath(), error);
  if (!ok) bench_.host.ShowError("The settings could not be saved: " + error);
  ok = bench_.switchTest.SaveConfig(StepPath()) && ok;
  ok = SaveTempForm(autotest::TempFormFile::Render(bench_.tempTest.form, &bench_.tempTest.regs)) &&
       ok;
  RememberSaved();
  return ok;
}

bool ShellCommands::SaveConfigIfChanged() {
  bool ok = true;
  if (const std::string text = config_.Render(); text != savedConfig_) {
    std::string error;
    if (!config_.Save(ConfigPath(), error)) {
      // The status bar, not a box: this runs unasked, and a box every second would trap the
      // user. The next change tries again; closing the program always writes.
      bench_.host.SetStatus(2, "The settings could not be saved: " + error);
      ok = false;
    }
    savedConfig_ = text;
  }
  if (const std::string text = autotest::StepFile::Text(bench_.switchTest.Snapshot());
      text != savedSteps_) {
    ok = bench_.switchTest.SaveConfig(StepPath()) && ok;
    savedSteps_ = text;
  }
  if (const std::string text =
          autotest::TempFormFile::Render(bench_.tempTest.form, &bench_.tempTest.regs);
      text != savedTempForm_) {
    ok = SaveTempForm(text) && ok;
    savedTempForm_ = text;
  }
  return ok;
}

bool ShellCommands::UsbScan() {
  if (!MainMenu::ScanApplies(bench_.target.LinkKind)) return false;
  return bench_.monitor.USBConnect();
}

std::vector<WindowTitle> ShellCommands::UsbClient() {
  if (restoreSetupAndReloadChip) restoreSetupAndReloadChip();
  const uint16_t index = bench_.target.ChipIndex;
  std::string name;
  if (chipListEntry) {
    name = chipListEntry(index);
  } else {
    chip::FileTextSource files;
    const chip::ChipList list =
        chip::ChipList::Read(files, chip::SetupChipLoad::FolderOf(programDir_));
    if (index < list.items.size()) name = list.items[index];
  }
  return WindowTitles::ForChip(name);
}

void ShellCommands::RefreshAfterConnect() {
  // The views and the block panels show what the register image now holds.
  bench_.host.RegImageChanged(base::Host::kWholeImage);
}

void ShellCommands::Release() {
  link::TargetRecord& t = bench_.target;
  t.ComPort.reset();
  t.ComOpen = false;
  if (link::IsValidHandle(t.Usb.Handle) && t.Usb.Opened) bench_.monitor.Disconnect();
}

}  // namespace qx::app

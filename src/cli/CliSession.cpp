#include "cli/CliSession.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "core/app/ConfigFile.h"
#include "core/app/InstalledCopy.h"
#include "core/base/FileBytes.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/SetupChipLoad.h"
#include "platform/HidapiBackend.h"
#include "platform/LibusbBulkDriver.h"
#include "platform/LinuxDriverServices.h"
#include "platform/PosixSerialPortProvider.h"
#include "platform/PpdevParallelDriver.h"
#include "sim/SimBoard.h"
#include "sim/SimFaultPlan.h"

namespace qx::cli {

namespace {

/// One trace line: "> " or "< " and the bytes as upper-case hexadecimal pairs.
std::string TraceLine(link::TransferDirection dir, std::span<const uint8_t> bytes) {
  std::string line = dir == link::TransferDirection::Sent ? ">" : "<";
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, " %02X", b);
    line += hex;
  }
  return line;
}

}  // namespace

std::string ProgramDirOf(const std::string& dir) {
  if (!dir.empty()) return dir;
  if (const char* env = std::getenv("QX_PROGRAM_DIR"); env && *env) return env;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  // An installed qxctl works in the per-user folder, as the panel does.
  const app::InstalledCopy::Choice choice =
      app::InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, exe.parent_path().string(),
                                           std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  static bool told = false;
  if (!choice.problem.empty() && !told) {
    std::cerr << "qxctl: " << choice.problem << "\n";
    told = true;
  }
  return choice.programDir;
}

CliSession::CliSession(const CliOptions& options, std::ostream& trace)
    : options_(options),
      trace_(trace),
      clock_(options.simulate && options.virtualTime ? static_cast<base::Clock&>(virtualClock_)
                                                     : steadyClock_) {
  if (options.simulate) {
    board_ = std::make_unique<sim::SimBoard>(clock_, chip_);
    std::string unused;
    if (options.simFault)
      board_->SetFaultPlan(sim::SimFaultPlan::Parse(*options.simFault, unused).value());
    hid_ = &board_->Hid();
    bulk_ = &board_->Bulk();
    serialPorts_ = &board_->SerialPorts();
  } else {
    ownedHid_ = std::make_unique<platform::HidapiBackend>();
    ownedBulk_ = std::make_unique<platform::LibusbBulkDriver>();
    ownedSerialPorts_ =
        std::make_unique<platform::PosixSerialPortProvider>(ProgramDirOf(options.dir));
    hid_ = ownedHid_.get();
    bulk_ = ownedBulk_.get();
    serialPorts_ = ownedSerialPorts_.get();
  }
  bench_ = std::make_unique<app::Workbench>(clock_, host_, *hid_, *bulk_);
  if (board_) {
    board_->UseChipModel(bench_->chip);
    bench_->parallel.Attach(board_->Parallel(), board_->DriverServices());
  } else {
    ownedParallel_ = std::make_unique<platform::PpdevParallelDriver>(
        platform::PpdevParallelDriver::ReadTable(ProgramDirOf(options.dir)));
    ownedDriverServices_ = std::make_unique<platform::LinuxDriverServices>();
    bench_->parallel.Attach(*ownedParallel_, *ownedDriverServices_);
  }
  LoadChipDescription();
  bench_->target.LinkKind = static_cast<uint16_t>(options.linkKind);
  if (options.trace) InstallTrace();
}

void CliSession::LoadChipDescription() {
  // Only the chip of the panel's settings file is taken; the link kind is the command line's.
  const std::string dir = ProgramDirOf(options_.dir);
  link::TargetRecord saved;
  base::Settings savedSettings;
  const std::string configPath = chip::JoinPath(dir, app::ConfigFile::kFileName);
  const base::FileRead config = base::ReadRegularFile(configPath, base::kSettingsFileLimit);
  if (config.Ok())
    app::ConfigFile(saved, savedSettings).Apply(config.bytes, configPath);
  else if (config.status != base::FileRead::Status::Missing)
    trace_ << "qxctl: " << config.error << "\n";
  bench_->target.ChipIndex = saved.ChipIndex;
  bench_->settings.CLPT = savedSettings.CLPT;
  bench_->settings.LptPortBase = savedSettings.LptPortBase;
  chip::FileTextSource files;
  chip::SetupChipLoad(bench_->chip, bench_->target, bench_->settings, host_, files,
                      chip::SetupChipLoad::FolderOf(dir))
      .Load();
  if (board_) board_->ApplyChipGains(bench_->chip);
}

CliSession::~CliSession() {
  // Leave the bridge free for the next program, as the panel does on exit.
  if (bench_) bench_->monitor.Disconnect();
}

void CliSession::InstallTrace() {
  auto print = [this](link::TransferDirection dir, std::span<const uint8_t> bytes) {
    trace_ << TraceLine(dir, bytes) << "\n";
  };
  bench_->usb.SetTrace(print);
  bench_->serial.SetTrace(print);
  bench_->parallel.SetTrace(print);
}

bool CliSession::Connect(std::string& error) {
  link::TargetRecord& target = bench_->target;
  if (target.LinkKind == link::kLinkRs232) {
    target.ComPort = serialPorts_->Open(options_.port);
    if (!target.ComPort) {
      const std::string why = serialPorts_->LastOpenError();
      error = "Uart  not  found: " + options_.port + (why.empty() ? "" : " (" + why + ")");
      return false;
    }
    base::LineSettings line;
    line.baudRate = options_.baud;
    if (!target.ComPort->Configure(line)) {
      error = "cannot set " + std::to_string(options_.baud) + " baud on " + options_.port;
      return false;
    }
    target.ComName = options_.port;
    target.ComOpen = true;
    return true;
  }
  if (target.LinkKind == link::kLinkParallel) {
    // What closing the setup dialog does on this link.
    bench_->parallel.LptInit();
    if (!bench_->parallel.Ready()) {
      error = bench_->parallel.StatusText();
      return false;
    }
    return true;
  }
  if (!bench_->usb.UsbOpen(target.Usb)) {
    bench_->usb.UsbClose(target.Usb);
    error = link::kUsbNotConnect;
    return false;
  }
  return true;
}

}  // namespace qx::cli

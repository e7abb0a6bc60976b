#include "cli/SwitchCommands.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "cli/LinkCommands.h"
#include "core/autotest/StepFile.h"
#include "core/base/FileBytes.h"

namespace qx::cli {

namespace {

using autotest::SwitchTest;

template <size_t N>
int ItemOf(const std::array<int, N>& items, long value) {
  for (size_t i = 0; i < N; ++i)
    if (items[i] == value) return static_cast<int>(i);
  return -1;
}

std::string Joined(const int* items, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += (i ? ", " : "") + std::to_string(items[i]);
  return s;
}

/// --channels 1,3,5: channel numbers 1..8.
bool ParseChannels(const std::string& text, std::array<bool, autotest::kChannels>& on,
                   std::string& error) {
  on.fill(false);
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const auto n = ParseNumberArgument(item);
    if (!n || *n < 1 || *n > autotest::kChannels) {
      error = "--channels: channel numbers are 1 to 8: " + item;
      return false;
    }
    on[static_cast<size_t>(*n - 1)] = true;
  }
  return true;
}

bool ApplyOptions(SwitchTest& test, const CliOptions& options, std::ostream& err) {
  for (const auto& [name, value] : options.extra) {
    if (name != "--channels" && name != "--step-len" && name != "--loops" && name != "--scale" &&
        name != "--timeout") {
      err << "qxctl: unknown option " << name << " " << HelpHint("switch-test") << "\n";
      return false;
    }
  }
  auto number = [&](const char* name, long& v) {
    const auto it = options.extra.find(name);
    if (it == options.extra.end()) return true;
    const auto n = ParseNumberArgument(it->second);
    if (!n) {
      err << "qxctl: " << name << ": not a number: " << it->second << " " << HelpHint("switch-test")
          << "\n";
      return false;
    }
    v = *n;
    return true;
  };
  if (const auto it = options.extra.find("--channels"); it != options.extra.end()) {
    std::array<bool, autotest::kChannels> on{};
    std::string error;
    if (!ParseChannels(it->second, on, error)) {
      err << "qxctl: " << error << "\n";
      return false;
    }
    for (int ch = 0; ch < autotest::kChannels; ++ch)
      test.SwitChClick(ch, on[static_cast<size_t>(ch)]);
  }
  long stepLen = 0, loops = 0, scale = 0, timeout = kSwitchWaitLimitSeconds;
  if (!number("--step-len", stepLen) || !number("--loops", loops) || !number("--scale", scale) ||
      !number("--timeout", timeout))
    return false;
  if (options.extra.count("--step-len")) {
    const int item = ItemOf(autotest::kStepLenItems, stepLen);
    if (item < 0) {
      err << "qxctl: --step-len must be one of "
          << Joined(autotest::kStepLenItems.data(), autotest::kStepLenItems.size()) << "\n";
      return false;
    }
    test.EvStepLenChange(item);
  }
  if (options.extra.count("--loops")) {
    const int item = ItemOf(autotest::kLoopItems, loops);
    if (item < 0) {
      err << "qxctl: --loops must be one of "
          << Joined(autotest::kLoopItems.data(), autotest::kLoopItems.size()) << "\n";
      return false;
    }
    test.LoopStepChange(item);
  }
  if (options.extra.count("--scale")) {
    if (scale < 8 || scale > 24) {
      err << "qxctl: --scale must be 8 to 24 bits\n";
      return false;
    }
    test.TXScaleChange(static_cast<int>(scale - 8));
  }
  if (timeout < 1 || timeout > 7 * 24 * 3600) {
    err << "qxctl: --timeout must be 1 to 604800 seconds\n";
    return false;
  }
  test.waitLimitSeconds = static_cast<int>(timeout);
  return true;
}

const char* ResultText(SwitchTest::RunResult r) {
  switch (r) {
    case SwitchTest::RunResult::NoChannel:
      return "no channel is enabled";
    case SwitchTest::RunResult::NoBridge:
      return "the bridge did not give its name";
    case SwitchTest::RunResult::BusyTimeout:
      return "the target did not clear its busy bit";
    case SwitchTest::RunResult::SendFailed:
      return "the settings did not reach the target's data memory (a write failed, or the "
             "channel table at 0x128 did not read back as written)";
    case SwitchTest::RunResult::NotCompleted:
      return "the target did not report completion";
    case SwitchTest::RunResult::Stopped:
      return "stopped";
    case SwitchTest::RunResult::ReadFailed:
      return "the readout failed";
    case SwitchTest::RunResult::Done:
      break;
  }
  return "";
}

}  // namespace

int RunSwitchCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                     std::ostream& err) {
  if (!options.args.empty()) {
    err << "qxctl: switch-test takes no arguments\n";
    return kExitUsage;
  }
  app::Workbench& bench = session.Bench();
  SwitchTest& test = bench.switchTest;
  const std::filesystem::path dir = ProgramDirOf(options.dir);
  const auto stepPath = dir / autotest::StepFile::kFileName;
  const base::FileRead file = base::ReadRegularFile(stepPath, base::kSettingsFileLimit);
  if (file.Ok()) {
    autotest::StepSettings s = test.Snapshot();
    const auto read = autotest::StepFile::Read(file.bytes, s);
    test.Apply(s);
    if (!read.complete) err << "qxctl: " << read.message << "\n";
  } else if (file.status != base::FileRead::Status::Missing) {
    // The settings the user saved are not the ones that would be sent: stop before the target.
    err << "qxctl: " << file.error << "\n";
    return kExitLinkFailed;
  }
  if (!ApplyOptions(test, options, err)) return kExitUsage;
  const int channels = test.EnabledCount();
  if (channels == 0) {
    err << "qxctl: no channel is enabled (--channels 1,2,...)\n";
    return kExitUsage;
  }
  if (const std::string gap = test.ChannelGapNotice(); !gap.empty())
    err << "qxctl: " << gap << "\n";
  std::string error;
  if (!session.Connect(error)) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  test.onWaiting = [&err](int seconds) {
    if (seconds % 10 == 0) err << "waiting for the target: " << seconds << " s\n";
  };
  int lastPercent = -1;
  test.onReadout = [&err, &lastPercent](int done, int total) {
    const int percent = done * 100 / total;
    if (percent / 10 != lastPercent / 10 || done == total)
      err << "read " << done << " of " << total << " samples\n";
    lastPercent = percent;
  };
  const auto result = test.TestBeginClick();
  test.onWaiting = nullptr;
  test.onReadout = nullptr;
  if (result != SwitchTest::RunResult::Done) {
    err << "qxctl: Test Fail: " << ResultText(result) << "\n";
    return kExitLinkFailed;
  }
  const int count = test.StepLen() * test.LoopCount();
  char line[160];
  for (int k = 0; k < channels; ++k) {
    const auto& samples = test.records[static_cast<size_t>(k)].Samples;
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += samples[static_cast<size_t>(i)];
    const double mean = sum / count;
    double squares = 0;
    for (int i = 0; i < count; ++i) {
      const double d = samples[static_cast<size_t>(i)] - mean;
      squares += d * d;
    }
    std::snprintf(line, sizeof line, "channel %d: count %d, mean %.2f, rms %.2f codes\n", k + 1,
                  count, mean, std::sqrt(squares / count));
    out << line;
  }
  const auto saved = autotest::SwitchCsv::WriteAll(dir, test.records);
  if (!saved.ok) {
    err << "qxctl: " << saved.error << " ("
        << (dir / autotest::SwitchCsv::FileName(saved.failedFile)).string() << ")\n";
    return kExitLinkFailed;
  }
  return kExitOk;
}

}  // namespace qx::cli

#include "cli/LinkCommands.h"

#include "cli/AnalysisCommands.h"

#include <cstdio>
#include <string>

#include "cli/InstrumentCommands.h"
#include "cli/RamCommands.h"
#include "cli/ServeCommand.h"
#include "cli/SweepCommands.h"
#include "cli/SwitchCommands.h"
#include "cli/TempCommands.h"

namespace qx::cli {

namespace {

/// Results that the stream keeps waiting for before it gives up on a silent bridge.
constexpr double kStreamSilenceMs = 10'000;

std::string HexBytes(const uint8_t* data, size_t n) {
  std::string s;
  char hex[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", data[i]);
    s += hex;
  }
  return s;
}

struct Args {
  const CliOptions& options;
  std::ostream& err;

  bool Count(size_t n) const {
    if (options.args.size() == n) return true;
    err << "qxctl: " << options.command << " takes " << n << " argument" << (n == 1 ? "" : "s")
        << " " << HelpHint(options.command) << "\n";
    return false;
  }
  bool Number(size_t i, long lo, long hi, const char* what, long& out) const {
    const auto v = ParseNumberArgument(options.args[i]);
    if (!v || *v < lo || *v > hi) {
      err << "qxctl: " << what << " must be a number from " << lo << " to " << hi << ": "
          << options.args[i] << " " << HelpHint(options.command) << "\n";
      return false;
    }
    out = *v;
    return true;
  }
};

int Scan(CliSession& session, std::ostream& out) {
  app::Workbench& bench = session.Bench();
  const bool online = bench.monitor.USBConnect();
  out << session.Host().status[0] << "\n";
  if (!online) return kExitLinkFailed;
  std::string name;
  if (bench.access.ReadBridgeName(name)) out << name << "\n";
  return kExitOk;
}

int Read(CliSession& session, uint16_t address, uint8_t count, std::ostream& out,
         std::ostream& err) {
  app::Workbench& bench = session.Bench();
  if (bench.target.LinkKind == link::kLinkQx740x && address + count > link::kAdcRegisters) {
    err << "qxctl: " << link::kQx740xReach << "\n";
    return kExitLinkFailed;
  }
  if (!bench.access.ReadBytes(address, count)) {
    err << "qxctl: read of " << int{count} << " bytes at " << address << " failed\n";
    return kExitLinkFailed;
  }
  const size_t from = bench.target.LinkKind == link::kLinkQx740x ? 1 : 0;
  out << HexBytes(bench.frame.data() + from, count) << "\n";
  return kExitOk;
}

int Write(CliSession& session, uint16_t address, uint8_t value, std::ostream& out,
          std::ostream& err) {
  app::Workbench& bench = session.Bench();
  if (bench.target.LinkKind == link::kLinkQx740x && address >= link::kAdcRegisters) {
    err << "qxctl: " << link::kQx740xReach << "\n";
    return kExitLinkFailed;
  }
  const size_t stores = session.Host().changedAddresses.size();
  bench.access.WriteReg(address, value);
  if (session.Host().changedAddresses.size() == stores) {
    err << "qxctl: write of register " << address << " failed\n";
    return kExitLinkFailed;
  }
  const uint8_t stored = bench.access.GetRegImage(address);
  out << HexBytes(&stored, 1) << "\n";
  return kExitOk;
}

int Adc(CliSession& session, std::ostream& out, std::ostream& err) {
  app::Workbench& bench = session.Bench();
  if (!bench.access.ReadAdcResult()) {
    err << "qxctl: no conversion result\n";
    return kExitLinkFailed;
  }
  out << HexBytes(bench.access.LastAdcReading().data(), 3) << "\n";
  return kExitOk;
}

int Stream(CliSession& session, long count, uint8_t mode, std::ostream& out, std::ostream& err) {
  app::Workbench& bench = session.Bench();
  if (!bench.access.StartAdcStream(mode)) {
    // A failed transfer closes the link; a bridge that left the bus or lost a reply did not
    // refuse anything: say which it was.
    if (!bench.monitor.Online()) {
      err << "qxctl: the stream did not start: " << bench.monitor.LostLinkReason() << "\n";
      if (bench.monitor.Online()) bench.access.StopAdcStream();
      return kExitLinkFailed;
    }
    err << "qxctl: the bridge refused to start the stream\n";
    bench.access.StopAdcStream();
    return kExitLinkFailed;
  }
  long got = 0;
  double lastData = bench.clock.NowMs();
  bool ok = true;
  char text[8];
  while (got < count) {
    int slots = 0;
    if (!bench.access.PollAdcStream(slots)) {
      err << "qxctl: stream poll failed after " << got
          << " results: " << bench.monitor.LostLinkReason() << "\n";
      ok = false;
      break;
    }
    if (slots > 0) lastData = bench.clock.NowMs();
    for (int j = 0; j < slots && got < count; ++j, ++got) {
      std::snprintf(text, sizeof text, "%06X", bench.access.StreamResult(j));
      out << text << "\n";
    }
    if (bench.clock.NowMs() - lastData > kStreamSilenceMs) {
      err << "qxctl: no results for 10 s, stream stopped after " << got << " results\n";
      ok = false;
      break;
    }
  }
  if (bench.monitor.Online() && !bench.access.StopAdcStream() && ok) {
    err << "qxctl: the bridge did not acknowledge the stream stop\n";
    ok = false;
  }
  return ok ? kExitOk : kExitLinkFailed;
}

}  // namespace

bool RefusedWithoutUsbBridge(CliSession& session, const std::string& command, std::ostream& err) {
  if (link::IsUsbLinkKind(session.Bench().target.LinkKind)) return false;
  err << "qxctl: " << command << " needs the USB bridge (link kind 1, 2, 4 or 5)\n";
  return true;
}

int RunLinkCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                   std::ostream& err) {
  const Args args{options, err};
  const std::string& c = options.command;
  if (IsRamCommand(options)) return RunRamCommand(session, options, out, err);
  if (c == "switch-test") return RunSwitchCommand(session, options, out, err);
  if (c == "temp-test") return RunTempCommand(session, options, out, err);
  if (c == "sweep") return RunSweepCommand(session, options, out, err);
  if (c == "serve") return RunServeCommand(session, options, out, err);
  if (c == "runs") return RunRunsCommand(options, out, err);
  if (IsAnalysisCommand(c)) return RunAnalysisCommand(session, options, out, err);
  if (c == "instrument") return RunInstrumentCommand(session, options, out, err);
  if (c != "scan" && c != "read" && c != "write" && c != "adc" && c != "stream") {
    err << "qxctl: unknown command " << c << " " << HelpHint(c) << "\n";
    return kExitUsage;
  }
  long a = 0, b = 0;
  if (c == "scan" || c == "adc") {
    if (!args.Count(0)) return kExitUsage;
  } else if (c == "read") {
    if (!args.Count(2) || !args.Number(0, 0, 0xFFFF, "ADDR", a) ||
        !args.Number(1, 1, 255, "COUNT", b))
      return kExitUsage;
  } else if (c == "write") {
    if (!args.Count(2) || !args.Number(0, 0, 0xFFFF, "ADDR", a) ||
        !args.Number(1, 0, 255, "VALUE", b))
      return kExitUsage;
  } else if (c == "stream") {
    if (!args.Count(1) || !args.Number(0, 1, 1'000'000, "COUNT", a)) return kExitUsage;
  }

  if ((c == "scan" || c == "adc" || c == "stream") && RefusedWithoutUsbBridge(session, c, err))
    return kExitUsage;
  if (c == "scan") return Scan(session, out);

  std::string error;
  if (!session.Connect(error)) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  if (c == "read")
    return Read(session, static_cast<uint16_t>(a), static_cast<uint8_t>(b), out, err);
  if (c == "write")
    return Write(session, static_cast<uint16_t>(a), static_cast<uint8_t>(b), out, err);
  if (c == "adc") return Adc(session, out, err);
  return Stream(session, a, static_cast<uint8_t>(options.mode.value_or(1)), out, err);
}

}  // namespace qx::cli

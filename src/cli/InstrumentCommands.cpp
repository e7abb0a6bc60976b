#include "cli/InstrumentCommands.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/LinkCommands.h"
#include "core/instruments/ChamberFrame.h"
#include "core/instruments/ChamberLimits.h"
#include "core/instruments/InstrumentSelect.h"
#include "core/instruments/MeterFrame.h"
#include "core/instruments/StepTraffic.h"

namespace qx::cli {

namespace {

// The bench names the simulated instruments answer on; a real bench says --port.
constexpr char kFlukePort[] = "COM5";
constexpr char kPowerPort[] = "COM6";
constexpr char kChamberPort[] = "COM7";
constexpr int kFirstMeterPort = 8;

constexpr uint16_t kChamberPresent = 0x0001;
constexpr uint16_t kChamberSetPoint = 0x0102;
constexpr uint16_t kChamberRamp = 0x0106;

/// "> COM7 02 30 31 ... |.01RSD|": direction, port, bytes in hex and as text.
std::string TraceLine(const std::string& port, bool sent, std::span<const uint8_t> bytes) {
  std::string line = std::string(sent ? ">" : "<") + " " + port;
  std::string text;
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, " %02X", b);
    line += hex;
    text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
  }
  return line + "  |" + text + "|";
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

std::string Tenths(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", value / 10.0);
  return text;
}

/// A temperature or humidity argument; nothing when it is not a number.
std::optional<double> NumberArgument(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

class InstrumentRun {
 public:
  InstrumentRun(CliSession& session, const CliOptions& options, std::ostream& out,
                std::ostream& err)
      : bench_(session.Bench()),
        options_(options),
        out_(out),
        err_(err),
        select_(bench_.instruments, session.SerialPorts(), session.Clock(), session.Host()),
        host_(session.Host()) {}

  int Run() {
    const auto& a = options_.args;
    if (a.empty()) return Usage("instrument needs chamber, fluke, power or meter");
    const std::string& kind = a[0];
    if (kind == "chamber") return Chamber();
    if (kind == "fluke") return Fluke();
    if (kind == "power") return Power();
    if (kind == "meter") return Meter();
    return Usage("unknown instrument " + kind);
  }

 private:
  std::string Port(const std::string& fallback) const {
    return options_.portGiven ? options_.port : fallback;
  }
  int Usage(const std::string& why) {
    err_ << "qxctl: " << why << " " << HelpHint("instrument") << "\n";
    return kExitUsage;
  }
  int Failed(const std::string& why) {
    err_ << "qxctl: " << why << "\n";
    return kExitLinkFailed;
  }
  /// The one command text of `instrument fluke|power TEXT`.
  bool CommandText(const std::string& instrument, std::string& text) {
    if (options_.args.size() != 2) {
      Usage("instrument " + options_.args[0] + " takes one command text");
      return false;
    }
    text = options_.args[1];
    if (text.empty() || text.size() > 255) {
      Usage("a " + instrument + " command has 1 to 255 characters");
      return false;
    }
    // The line end is the program's: one inside would send a second, hidden command.
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
      Usage("a " + instrument + " command is one line: no CR, LF or NUL inside it");
      return false;
    }
    return true;
  }
  /// The selection's own status text, on stderr when it failed.
  int SelectionFailed() { return Failed(host_.status[1]); }
  /// `instrument fluke|power select`: the setup dialog's Select button.
  int Selected(bool ok) {
    if (!ok) return SelectionFailed();
    out_ << host_.status[1] << "\n";
    return kExitOk;
  }

  int Chamber() {
    const auto& a = options_.args;
    if (a.size() < 2) return Usage("instrument chamber needs read, set, ramp, run or stop");
    const std::string& what = a[1];
    const size_t want = what == "set" || what == "ramp" ? 4 : 2;
    if ((what != "read" && what != "set" && what != "ramp" && what != "run" && what != "stop"))
      return Usage("unknown chamber command " + what);
    if (a.size() != want)
      return Usage("instrument chamber " + what + " takes " + std::to_string(want - 2) +
                   " numbers");
    int16_t words[2] = {0, 0};
    if (want == 4) {
      const int firstColumn = what == "set" ? 1 : 3;  // as in the temperature table
      for (int i = 0; i < 2; ++i) {
        const auto v = NumberArgument(a[2 + static_cast<size_t>(i)]);
        if (!v) return Usage("chamber values must be numbers: " + a[2] + " " + a[3]);
        const std::string refusal = instruments::ChamberLimits::Refusal(firstColumn + i, *v);
        if (!refusal.empty()) return Usage("chamber " + what + ": " + refusal);
        words[i] = static_cast<int16_t>(std::lround(*v * 10));
      }
    }

    const std::string port = Port(kChamberPort);
    if (!select_.ChamberSelectClick(port)) return SelectionFailed();
    instruments::InstrumentPorts& ports = bench_.instruments;
    if (what == "read") {
      if (!ports.ChamberRead(kChamberPresent, 2))
        return Failed("the chamber on " + port + " does not answer");
      const std::span<const uint8_t> reply(ports.RxBuffer.data(), ports.RxCount);
      if (!instruments::ChamberFrame::IsOk(reply) || reply.size() < 19)
        return Failed("the chamber on " + port + " refused the read");
      out_ << "present " << Tenths(instruments::ChamberFrame::DataWord(reply, 0)) << " °C, set "
           << Tenths(instruments::ChamberFrame::DataWord(reply, 1)) << " °C\n";
      return kExitOk;
    }
    bool ok = false;
    if (what == "set") ok = ports.ChamberWrite(kChamberSetPoint, words);
    if (what == "ramp") ok = ports.ChamberWrite(kChamberRamp, words);
    if (what == "run") ok = ports.ChamberRun();
    if (what == "stop") ok = ports.ChamberStop();
    if (!ok) return Failed("the chamber on " + port + " did not acknowledge " + what);
    out_ << "OK\n";
    return kExitOk;
  }

  int Fluke() {
    std::string text;
    if (!CommandText("calibrator", text)) return kExitUsage;
    const std::string port = Port(kFlukePort);
    if (text == "select") return Selected(select_.FlukeSelectClick(port));
    // The user's command alone: the selection's "*OPT" is sent only when asked for.
    if (!select_.FlukeAttach(port)) return SelectionFailed();
    instruments::StepTraffic traffic(bench_.instruments, bench_.clock, host_);
    if (!traffic.FlukeCommand(text))
      return Failed("the calibrator on " + port + " did not answer " + text);
    out_ << traffic.LastFlukeLine() << "\n";
    return kExitOk;
  }

  int Power() {
    std::string text;
    if (!CommandText("power-supply", text)) return kExitUsage;
    const std::string port = Port(kPowerPort);
    if (text == "select") return Selected(select_.PowerSelectClick(port));
    // The user's command alone: the selection's reset (VOLT 0.0, CURR 0.0, OUTP OFF) would
    // switch a live supply off under the board, so it is sent only when asked for.
    if (!select_.PowerAttach(port)) return SelectionFailed();
    std::string reply;
    instruments::InstrumentPorts& ports = bench_.instruments;
    if (ports.PowerCommand(ports.PowerPort, text, reply)) {
      out_ << Trimmed(reply) << "\n";
      return kExitOk;
    }
    // A setting gets no answer from an SCPI supply; only a query must be answered.
    if (text.find('?') != std::string::npos)
      return Failed("the power supply on " + port + " did not answer " + text);
    return kExitOk;
  }

  int Meter() {
    long n = 0;
    if (options_.args.size() != 2 || !(n = ParseNumberArgument(options_.args[1]).value_or(0)) ||
        n < 1 || n > 6)
      return Usage("instrument meter takes a meter number from 1 to 6");
    const size_t index = static_cast<size_t>(n - 1);
    const std::string port = Port("COM" + std::to_string(kFirstMeterPort + n - 1));
    if (!select_.MeterSelect(index, port)) return SelectionFailed();
    const instruments::MeterReading r =
        instruments::MeterFrame::Decode(bench_.instruments.MeterReply);
    if (r.error) return Failed("meter " + std::to_string(n) + " sent an unreadable frame");
    char flags[64];
    std::snprintf(flags, sizeof flags, "flags A=%02X B=%02X", r.flagA, r.flagB);
    out_ << select_.MeterText(index) << " (" << flags << ")\n";
    return kExitOk;
  }

  app::Workbench& bench_;
  const CliOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  instruments::InstrumentSelect select_;
  base::RecordingHost& host_;
};

}  // namespace

void TraceInstruments(CliSession& session, bool on) {
  if (!on) {
    session.Bench().instruments.trace = nullptr;
    return;
  }
  session.Bench().instruments.trace = [&session](const std::string& port, bool sent,
                                                 std::span<const uint8_t> bytes) {
    session.Trace() << TraceLine(port, sent, bytes) << "\n";
  };
}

int RunInstrumentCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                         std::ostream& err) {
  TraceInstruments(session, options.trace);
  InstrumentRun run(session, options, out, err);
  const int status = run.Run();
  TraceInstruments(session, false);
  return status;
}

}  // namespace qx::cli

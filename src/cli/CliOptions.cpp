#include "cli/CliOptions.h"

#include <cctype>
#include <climits>
#include <sstream>

#include "cli/TempCommands.h"
#include "sim/SimFaultPlan.h"

namespace qx::cli {

namespace {

std::optional<long> ParseDigits(const std::string& digits, int base) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  long value = 0;
  for (char ch : digits) {
    const int c = std::toupper(static_cast<unsigned char>(ch));
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    if (d >= base) return std::nullopt;
    if (value > (LONG_MAX - d) / base) return std::nullopt;
    value = value * base + d;
  }
  return value;
}

}  // namespace

std::optional<long> ParseNumberArgument(const std::string& text) {
  if (text.empty()) return std::nullopt;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseDigits(text.substr(2), 16);
  if (text[0] == '-') {
    const auto v = ParseNumberArgument(text.substr(1));
    if (!v || text.size() < 2 || !std::isdigit(static_cast<unsigned char>(text[1])))
      return std::nullopt;
    return -*v;
  }
  const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
  const std::string body = text.substr(0, text.size() - 1);
  switch (last) {
    case 'H':
      return ParseDigits(body, 16);
    case 'B':
      // "0B" alone is binary zero; a hex word ending in B needs the H suffix.
      return ParseDigits(body, 2);
    case 'D':
      return ParseDigits(body, 10);
    default:
      return ParseDigits(text, 10);
  }
}

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& argv,
                                           std::string& error) {
  CliOptions o;
  auto value = [&](size_t& i, const std::string& name) -> std::optional<std::string> {
    if (i + 1 >= argv.size()) {
      error = name + " needs a value";
      return std::nullopt;
    }
    return argv[++i];
  };
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a == "--simulate") {
      o.simulate = true;
    } else if (a == "--trace") {
      o.trace = true;
    } else if (a == "--virtual-time") {
      o.virtualTime = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--dir") {
      const auto v = value(i, a);
      if (!v) return std::nullopt;
      // An empty name would quietly mean the default folder.
      if (v->empty()) {
        error = "--dir needs a folder name";
        return std::nullopt;
      }
      o.dir = *v;
    } else if (a == "--link-kind" || a == "--mode" || a == "--baud" || a == "--chip") {
      const auto v = value(i, a);
      if (!v) return std::nullopt;
      const auto n = ParseNumberArgument(*v);
      if (!n) {
        error = a + ": not a number: " + *v;
        return std::nullopt;
      }
      if (a == "--link-kind") {
        if (*n < 0 || *n > 5) {
          error = "--link-kind must be 0 to 5";
          return std::nullopt;
        }
        o.linkKind = static_cast<int>(*n);
      } else if (a == "--mode") {
        if (*n < 0 || *n > 255) {
          error = "--mode must be 0..255";
          return std::nullopt;
        }
        o.mode = static_cast<int>(*n);
      } else if (a == "--chip") {
        if (*n < 0 || *n > 0xFFFF) {
          error = "--chip must be 0..65535";
          return std::nullopt;
        }
        o.chip = static_cast<int>(*n);
      } else {
        if (*n <= 0 || *n > 4'000'000) {
          error = "--baud out of range";
          return std::nullopt;
        }
        o.baud = static_cast<int>(*n);
      }
    } else if (a == "--sim-fault") {
      const auto v = value(i, a);
      if (!v) return std::nullopt;
      std::string why;
      if (!sim::SimFaultPlan::Parse(*v, why)) {
        error = "--sim-fault: " + why;
        return std::nullopt;
      }
      o.simFault = *v;
    } else if (a == "--port") {
      const auto v = value(i, a);
      if (!v) return std::nullopt;
      if (v->empty()) {
        error = "--port needs a port name";
        return std::nullopt;
      }
      o.port = *v;
      o.portGiven = true;
    } else if (a.size() > 2 && a[0] == '-' && a[1] == '-' && a != "--") {
      // Options of the command itself; flags take no value.
      if (a == "--json" || IsTempFlag(a)) {
        o.extra[a] = "";
      } else {
        const auto v = value(i, a);
        if (!v) return std::nullopt;
        o.extra[a] = *v;
      }
    } else if (a.size() > 1 && a[0] == '-' && !std::isdigit(static_cast<unsigned char>(a[1]))) {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.args.push_back(a);
    }
  }
  if (o.help || o.version) return o;
  // An hours-long temperature run on the simulated bench always runs on virtual time.
  if (o.simulate && o.command == "temp-test") o.virtualTime = true;
  if (o.virtualTime && !o.simulate) {
    error = "--virtual-time needs --simulate";
    return std::nullopt;
  }
  if (o.simFault && !o.simulate) {
    error = "--sim-fault needs --simulate";
    return std::nullopt;
  }
  if (o.command.empty()) {
    error = "no command";
    return std::nullopt;
  }
  if (!o.extra.empty() && !TakesExtraOptions(o.command)) {
    error = "unknown option " + o.extra.begin()->first;
    return std::nullopt;
  }
  return o;
}

bool ApplySimFaultEnvironment(CliOptions& options, const char* environment, std::string& error,
                              std::string& note) {
  if (options.simFault || !environment || !*environment) return true;
  if (!options.simulate) {
    note = "QX_SIM_FAULT has no effect without --simulate";
    return true;
  }
  std::string why;
  if (!sim::SimFaultPlan::Parse(environment, why)) {
    error = "QX_SIM_FAULT: " + why;
    return false;
  }
  options.simFault = environment;
  return true;
}

bool TakesExtraOptions(const std::string& command) {
  return command == "enob" || command == "stats" || command == "switch-test" ||
         command == "temp-test" || command == "runs" || command == "sweep" || command == "serve";
}

const char* UsageText() {
  return "usage: qxctl [--simulate [--virtual-time] [--sim-fault FAULTS]] [--dir PATH]\n"
         "             [--link-kind K] [--trace] [--port COMn] [--baud B] COMMAND [ARGS]\n"
         "commands:\n"
         "  scan                      find and claim the USB bridge, print the link state\n"
         "  read ADDR COUNT           read target bytes\n"
         "  write ADDR VALUE          write one register with read-back\n"
         "  adc                       read one conversion result\n"
         "  stream COUNT [--mode M]   capture COUNT result slots from the ADC stream\n"
         "  chip-list                 the chip list of INCLUDE/QxSel.INC\n"
         "  chip-dump [--chip N]      load chip N and print its model as JSON\n"
         "  read-ram                  run Read RAM and print the register image\n"
         "  sleep                     send the chip to sleep (A5 to address FD)\n"
         "  enob --points N --bits B --ref VOLTS [--avg M] [--mode 1|3] [--chip K]\n"
         "       [--save FILE] [--export FILE] [--unit U] [--json]\n"
         "                            capture N samples and print the noise figures; --save\n"
         "                            writes the window's 16-bit code file, --export a text\n"
         "                            file of the settings (\"# \" lines), then index,code,volts\n"
         "                            per sample with the full 24-bit signed code\n"
         "  stats --bits B --ref VOLTS [--gain G] [--avg M] [--skip K] [--unit U] [--json] FILE\n"
         "                            noise figures of a recorded stream (one slot a line)\n"
         "  instrument chamber read|set T H|ramp RT RH|run|stop\n"
         "                            select the chamber controller, then read or command it\n"
         "  instrument fluke TEXT     send TEXT alone to the calibrator, print its reply line\n"
         "  instrument power TEXT     send TEXT alone to the power supply, print any reply;\n"
         "       TEXT is one line (no CR, LF or NUL); TEXT select selects the instrument as\n"
         "       the setup dialog does (the supply's selection sets 0 V, 0 A, output off)\n"
         "  instrument meter N        select multimeter N (1-6), print value, unit and flags\n"
         "       instruments take --port COMn; with --simulate the calibrator is COM5, the\n"
         "       power supply COM6, the chamber COM7 and the meters COM8 to COM13\n"
         "  switch-test [--channels 1,2,3] [--step-len N] [--loops N] [--scale BITS]\n"
         "       [--timeout S]        send the channel settings of StepADC.txt (or the options),\n"
         "                            run the target's switch test, print count, mean and RMS\n"
         "                            noise per channel and write QxADCSW0.CSV..QxADCSW7.CSV;\n"
         "                            on the QX740x link the test's traffic takes the bridge's\n"
         "                            memory link (kind 1), any other kind is used as given.\n"
         "                            Exit 1 with \"Test Fail\" when the target does not\n"
         "                            complete within the timeout (600 s by default)\n"
         "  temp-test [--chamber|--no-chamber] [--hold MIN] [--points N] [--start C] [--step C]\n"
         "       [--modes N] [--delay MS] [--measure adc|meters|both] [--bits B] [--samples N]\n"
         "       [--full] [--resume|--new] [--link-wait MIN] [--dut TEXT] [--note TEXT]\n"
         "                            run the temperature test from Register.txt, Delay.txt,\n"
         "                            ACM.txt, Fluke.txt and Power.txt: with the chamber\n"
         "                            (T-Begin, default) or without (T-Test); write QxTEMPA.CSV,\n"
         "                            QxTEMPB.CSV (and QxTEMPBryMen.CSV with meters); progress on\n"
         "                            stderr; --resume continues the journal's unfinished run,\n"
         "                            --new abandons it (without either, an unfinished run\n"
         "                            refuses the start, exit 2). One run at a time in a folder:\n"
         "                            a second one is refused with the holder of QxRuns.lock.\n"
         "                            A mode whose capture fails after 4 attempts is reported at\n"
         "                            once, recorded as failed with its figure fields empty, and\n"
         "                            measured again by --resume; a lost USB bridge is waited for\n"
         "                            MIN minutes (default 10), then the run stops.\n"
         "                            Exit 0 only when every mode was measured. With --simulate\n"
         "                            the run is on virtual time. Captures: B bits (default 23),\n"
         "                            N samples (default 256). --dut names the device under\n"
         "                            test and --note says what the run is for; the journal\n"
         "                            keeps both with the run\n"
         "  sweep --points N [--gains 1,8,64] [--rates 2560,640] [--ref VOLTS]\n"
         "       [--json|--csv FILE]\n"
         "                            noise table: every chosen PGA gain x output rate is set,\n"
         "                            captured (N points, 23 bits, mode 3) and tabulated (RMS\n"
         "                            and peak-to-peak noise in nV, ENOB, noise-free bits);\n"
         "                            progress on stderr; default: every gain of the chip and\n"
         "                            every OSR at HS 0, reference 2.4 V. PGA, OSR and HS are\n"
         "                            written back afterwards. Exit 0 when every cell captured\n"
         "  serve [--listen ADDR:PORT] [--allow CIDR[,CIDR]]\n"
         "                            the bench as a SCPI instrument on a TCP socket (PyVISA:\n"
         "                            TCPIP::ADDR::PORT::SOCKET, LF-terminated) until SIGINT or\n"
         "                            SIGTERM (exit 0); default 127.0.0.1:5025, port 0 takes a\n"
         "                            free one; prints \"listening on ADDR:PORT\" when ready; at\n"
         "                            most 8 clients; --allow closes clients of other networks\n"
         "                            at once (A.B.C.D/N); connections are logged on stderr;\n"
         "                            commands: docs/remote.md\n"
         "  runs list                 the runs of the journal QxRuns.db\n"
         "  runs show ID [--json]      that run's header, rows and the drift of each mode (least\n"
         "                            squares of the mean against the chamber's temperature in\n"
         "                            codes, uV and ppm of full scale per C, box drift, noise\n"
         "                            and ENOB at the coldest, 25 C and hottest point; failed\n"
         "                            and over-range rows left out), then the input path's\n"
         "                            offset drift (uV/C) and gain drift (ppm/C) from the modes'\n"
         "                            drifts against their input levels; --json names every\n"
         "                            figure with its unit. Exit 1 when the journal has no such\n"
         "                            run\n"
         "  runs export ID [--out DIR] write that run's result files (default DIR: QxRun-ID)\n"
         "  runs report ID [--out FILE] that run as one HTML page (header, drift, charts of\n"
         "                            mean, RMS noise and ENOB per mode, result table; no\n"
         "                            external resource; prints on A4); default QxRun-ID.html\n"
         "  --help                    this text\n"
         "  --version                 the version\n"
         "  --dir PATH                the folder of QxADC.cfg, results and INCLUDE/ (default:\n"
         "                            QX_PROGRAM_DIR, else beside qxctl; an installed qxctl\n"
         "                            uses $XDG_DATA_HOME/qx740x or ~/.local/share/qx740x)\n"
         "links (--link-kind): 0 serial bridge, 1 SPI, 2 Special, 3 parallel port (the port\n"
         "       of the panel's QxADC.cfg, LPT1 without one), 4 UART, 5 QX740x (default)\n"
         "  --avg M re-averages by M (1, 2, 4 ... 32) as the window's averaging list does;\n"
         "          without it the figures are the capture's own\n"
         "  --unit U prints the Vp-p and RMS noise in codes, nV, uV or ppm (of full scale);\n"
         "          --json keeps its fields and adds unit, vpp and rms\n"
         "numbers: 123, 0x7B, 7BH, 1111011B\n"
         "--sim-fault FAULTS (or QX_SIM_FAULT): faults of the simulated bench, separated by\n"
         "       commas; N counts the requests the bridge receives, from 1:\n"
         "  drop@N, corrupt@N, late:MS@N, fail@N, unplug@N, unplug:MS@N (back after MS ms)\n"
         "       and on an instrument line LINE (chamber, fluke, power) N counts its answers:\n"
         "  garble-LINE@N (answer N corrupted), slow-LINE:MS@N (answer N MS ms late)\n";
}

namespace {

/// The command a usage line begins ("  read ADDR COUNT ..." -> "read"); empty for a line that
/// continues the one before or is not a command's.
std::string CommandOfUsageLine(const std::string& line) {
  if (line.size() < 3 || line[0] != ' ' || line[1] != ' ' || line[2] == ' ' || line[2] == '-')
    return {};
  const size_t end = line.find(' ', 2);
  return line.substr(2, end == std::string::npos ? std::string::npos : end - 2);
}

}  // namespace

std::string CommandUsage(const std::string& command) {
  if (command.empty()) return {};
  std::string lines;
  bool inCommand = false;
  std::istringstream usage(UsageText());
  for (std::string line; std::getline(usage, line);) {
    const std::string owner = CommandOfUsageLine(line);
    // A command's text runs on over lines indented deeper than its first.
    if (!owner.empty() || line.rfind("   ", 0) != 0) inCommand = owner == command;
    if (inCommand) lines += line + "\n";
  }
  if (lines.empty()) return {};
  return "usage: qxctl [global options] " + lines.substr(2) +
         "global options, links, number forms and simulated faults: qxctl --help\n";
}

std::string HelpHint(const std::string& command) {
  return CommandUsage(command).empty() ? "(see qxctl --help)"
                                       : "(see qxctl " + command + " --help)";
}

std::string CommandOf(const std::vector<std::string>& argv) {
  for (const std::string& a : argv)
    if (!CommandUsage(a).empty()) return a;
  return {};
}

}  // namespace qx::cli

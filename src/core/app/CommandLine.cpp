#include "core/app/CommandLine.h"

#include <utility>

#include "core/app/WindowTitles.h"

namespace qx::app {

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine c;
  auto fail = [&c](std::string text) {
    if (c.Error.empty()) c.Error = std::move(text);
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      c.Help = true;
    } else if (a == "--version") {
      c.Version = true;
    } else if (a == "--simulate") {
      c.Simulate = true;
    } else if (a == "--virtual-time") {
      c.VirtualTime = true;
    } else if (a == "--switch-test") {
      c.SwitchTest = true;
    } else if (a == "--remote" || a.rfind("--remote=", 0) == 0) {
      // The address is optional: a next argument that is no option is taken for it.
      std::string at = kDefaultRemote;
      if (a.size() > 8) {
        at = a.substr(9);
      } else if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') {
        at = args[++i];
      }
      std::string why;
      c.Remote = remote::ParseEndpoint(at, why);
      if (!c.Remote) fail("--remote: " + why);
    } else if (a == "--dir") {
      if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0) {
        fail("--dir needs a folder");
        continue;
      }
      c.Dir = args[++i];
    } else if (a.rfind("--dir=", 0) == 0 && a.size() > 6) {
      c.Dir = a.substr(6);
    } else if (a == "--sim-fault") {
      if (i + 1 >= args.size()) {
        fail("--sim-fault needs a fault setting");
        continue;
      }
      c.SimFault = args[++i];
    } else if (a.rfind("--sim-fault=", 0) == 0) {
      c.SimFault = a.substr(12);
    } else {
      fail("unknown argument: " + a);
    }
  }
  if (c.SimFault && !c.Simulate) fail("--sim-fault needs --simulate");
  if (c.VirtualTime && !c.Simulate) fail("--virtual-time needs --simulate");
  return c;
}

std::string CommandLine::Usage() {
  return "usage: qxpanel [--simulate [--virtual-time] [--sim-fault FAULTS]] [--dir PATH]\n"
         "               [--switch-test] [--remote [ADDR:PORT]]\n"
         "  --simulate   attach the simulated board and bench instruments instead of hardware\n"
         "  --virtual-time\n"
         "               with --simulate: waits pass at once, so a whole T-Begin run of the\n"
         "               simulated chamber takes seconds\n"
         "  --sim-fault FAULTS\n"
         "               faults of the simulated bridge (default: QX_SIM_FAULT): drop@N,\n"
         "               corrupt@N, late:MS@N, fail@N, unplug@N, unplug:MS@N; N counts the\n"
         "               requests the bridge receives, from 1\n"
         "  --dir PATH   program folder: settings, result files and INCLUDE/ chip files\n"
         "               (default: QX_PROGRAM_DIR, else the folder of the program; an\n"
         "               installed copy uses $XDG_DATA_HOME/qx740x or ~/.local/share/qx740x)\n"
         "  --switch-test\n"
         "               show the hidden menu item \"Switch Test\" (switch channel test)\n"
         "  --remote [ADDR:PORT]\n"
         "               serve the bench to SCPI clients (PyVISA, raw TCP) from start-up, on\n"
         "               ADDR:PORT (default 127.0.0.1:5025; port 0 picks a free one); the\n"
         "               Option menu's \"Remote control…\" starts and stops it\n"
         "  -h, --help   print this help and exit\n"
         "  --version    print the version and exit\n";
}

std::string CommandLine::VersionText(const std::string& program) {
  const std::string caption = kMainCaption;
  const size_t v = caption.rfind(" V");
  const std::string number = v == std::string::npos ? caption : caption.substr(v + 2);
  return program + " " + number + " (" + caption + ")\n";
}

std::string CommandLine::ProgramDir(const std::optional<std::string>& dirOption,
                                    const char* environment, const std::string& programFolder) {
  // Built from one source rather than reassigned: GCC 12's -Wrestrict misreads an assignment
  // of a short literal over a string it has just copied (GCC bug 105329) at -O3.
  std::string dir = dirOption && !dirOption->empty() ? *dirOption
                    : environment && *environment    ? std::string(environment)
                                                     : programFolder;
  if (dir.empty()) return "./";
  if (dir.back() != '/') dir.push_back('/');
  return dir;
}

}  // namespace qx::app

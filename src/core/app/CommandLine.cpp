#include "core/app/CommandLine.h"

namespace qx::app {

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine c;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--simulate") {
      c.Simulate = true;
    } else if (a == "--dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        c.Error = "--dir needs a folder";
        return c;
      }
      c.Dir = args[++i];
    } else if (a.rfind("--dir=", 0) == 0 && a.size() > 6) {
      c.Dir = a.substr(6);
    } else {
      c.Error = "unknown argument: " + a;
      return c;
    }
  }
  return c;
}

std::string CommandLine::ProgramDir(const std::optional<std::string>& dirOption,
                                    const char* environment, const std::string& programFolder) {
  std::string dir = programFolder;
  if (dirOption && !dirOption->empty())
    dir = *dirOption;
  else if (environment && *environment)
    dir = environment;
  if (dir.empty()) dir = ".";
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace qx::app

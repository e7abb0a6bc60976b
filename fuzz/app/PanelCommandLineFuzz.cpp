// libFuzzer target: arbitrary bytes as the panel's command line, the arguments split at NUL
// bytes; the first argument also serves as QX_PROGRAM_DIR and the second as the program's own
// folder. The program folder is never empty, always ends in a separator and starts with the
// folder that won.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::app::CommandLine;
  const std::vector<std::string> args = qx::fuzz::SplitArguments(data, size);

  const CommandLine c = CommandLine::Parse(args);
  if (c.Dir && c.Dir->empty()) __builtin_trap();
  // Help and version are found anywhere, even after an argument that was not understood, unless
  // they are the value of an option before them.
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0 && (args[i - 1] == "--dir" || args[i - 1] == "--sim-fault")) continue;
    if ((args[i] == "--help" || args[i] == "-h") && !c.Help) __builtin_trap();
    if (args[i] == "--version" && !c.Version) __builtin_trap();
  }

  const std::string environment = args.front();
  const std::string programFolder = args.size() > 1 ? args[1] : std::string();
  const std::string dir = CommandLine::ProgramDir(c.Dir, environment.c_str(), programFolder);
  if (dir.empty() || dir.back() != '/') __builtin_trap();
  const std::string& chosen = c.Dir ? *c.Dir : !environment.empty() ? environment : programFolder;
  if (!chosen.empty() && dir.compare(0, chosen.size(), chosen) != 0) __builtin_trap();
  if (dir.size() > chosen.size() + 2) __builtin_trap();
  (void)CommandLine::Usage();
  (void)CommandLine::VersionText();
  return 0;
}

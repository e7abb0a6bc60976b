// libFuzzer target: arbitrary bytes as qxctl's command line, the arguments split at NUL bytes.
// The parser answers with options inside their ranges or with an error text, and every number
// argument it accepts reads back the same from its decimal and hexadecimal forms.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "cli/CliOptions.h"

namespace {

void CheckNumber(const std::string& text) {
  using qx::cli::ParseNumberArgument;
  const std::optional<long> n = ParseNumberArgument(text);
  if (!n) return;
  // The parser takes at most 16 digits, so the check stays below 10^15.
  if (*n > -1'000'000'000'000'000 && *n < 1'000'000'000'000'000) {
    if (ParseNumberArgument(std::to_string(*n)) != n) __builtin_trap();
  }
  if (*n >= 0) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%lX", static_cast<unsigned long>(*n));
    if (ParseNumberArgument(hex) != n) __builtin_trap();
    // The chip-description form "0FFH", whose digits (leading 0 included) are at most 16.
    const int length = std::snprintf(hex, sizeof hex, "0%lXH", static_cast<unsigned long>(*n));
    if (length <= 17 && ParseNumberArgument(hex) != n) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> argv = qx::fuzz::SplitArguments(data, size);

  std::string error;
  const std::optional<qx::cli::CliOptions> options = qx::cli::ParseCommandLine(argv, error);
  if (options) {
    if (options->linkKind < 0 || options->linkKind > 5) __builtin_trap();
    if (options->baud <= 0 || options->baud > 4'000'000) __builtin_trap();
    if (options->mode && (*options->mode < 0 || *options->mode > 255)) __builtin_trap();
    if (options->chip && (*options->chip < 0 || *options->chip > 0xFFFF)) __builtin_trap();
    // An empty port name opens nothing; it is refused, never kept.
    if (options->port.empty()) __builtin_trap();
    // --help and --version answer without a command.
    const bool answersAlone = options->help || options->version;
    if (!answersAlone && options->command.empty()) __builtin_trap();
    if (!answersAlone && !options->extra.empty() && !qx::cli::TakesExtraOptions(options->command)) {
      __builtin_trap();
    }
  } else if (error.empty()) {
    __builtin_trap();
  }
  for (const std::string& a : argv) CheckNumber(a);
  return 0;
}

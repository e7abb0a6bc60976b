#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/app/ConfigLoadResult.h"
#include "core/base/Settings.h"
#include "core/link/TargetRecord.h"

namespace qx::base {
class TextLineReader;
}

namespace qx::app {

/// "QxADC.cfg": the main settings between runs. The writer emits fixed sections with fixed-width
/// fields and CR LF; the reader applies section after section until the end of the file, so a
/// shorter file leaves later settings as they are. A section with a value that cannot be read
/// is not applied and ends the load there.
class ConfigFile {
 public:
  static constexpr char kFileName[] = "QxADC.cfg";
  static constexpr char kHeader[] = "Qx-740xTEST V1.4";
  static constexpr int kSectionCount = 15;
  static constexpr int kLineCount = 26;

  ConfigFile(link::TargetRecord& target, base::Settings& settings)
      : target_(target), settings_(settings) {}

  /// The file text for the current values.
  std::string Render() const;
  /// Replaces the file atomically with `Render()`.
  bool Save(const std::filesystem::path& path, std::string& error) const;
  /// Reads the file, writing it first from the current values when it does not exist, and runs
  /// the finishing steps unless the header does not match.
  ConfigLoadResult Load(const std::filesystem::path& path);
  /// Applies the text of a configuration file; `fileName` names it in messages.
  ConfigLoadResult Apply(std::string_view text, const std::string& fileName);

  /// Loads the chip description of `ChipIndex` (the setup dialog's loader); part of the finishing
  /// steps. Empty until the chip model is attached.
  std::function<void()> loadChipDescription;

 private:
  /// Reads section `s` into copies and commits them only when every value was read.
  bool ReadSection(int s, base::TextLineReader& lines, std::string& why);
  void Finish();
  /// The analysis window's lists on a first start: 4096 points, the converter's 23 bits of
  /// magnitude, no averaging (the file would otherwise keep "no item", -1, for each).
  void FirstStartDefaults();

  link::TargetRecord& target_;
  base::Settings& settings_;
};

}  // namespace qx::app

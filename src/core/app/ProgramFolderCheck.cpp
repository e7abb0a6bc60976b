#include "core/app/ProgramFolderCheck.h"

#include <filesystem>
#include <system_error>

#include "core/chip/ChipLoader.h"
#include "core/chip/SetupChipLoad.h"

namespace qx::app {

std::string ProgramFolderCheck::Problem(const std::string& programDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(programDir, ec))
    return "Program folder not found: " + programDir +
           " (no settings are kept and no chip files are read)";
  const std::string folder = chip::SetupChipLoad::FolderOf(programDir);
  if (!fs::is_directory(folder, ec)) return "Chip folder not found: " + folder;
  const std::string index = chip::JoinPath(folder, chip::kChipIndexFile);
  if (!fs::is_regular_file(index, ec)) return "Chip index not found: " + index;
  return {};
}

}  // namespace qx::app

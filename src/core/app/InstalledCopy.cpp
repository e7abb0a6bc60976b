#include "core/app/InstalledCopy.h"

#include <filesystem>
#include <system_error>

#include "core/app/CommandLine.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/SetupChipLoad.h"

namespace qx::app {

namespace fs = std::filesystem;

InstalledCopy::Choice InstalledCopy::ChooseProgramDir(const std::optional<std::string>& dirOption,
                                                      const char* programDirEnvironment,
                                                      const std::string& programFolder,
                                                      const char* xdgDataHome, const char* home) {
  const bool overridden =
      (dirOption && !dirOption->empty()) || (programDirEnvironment && *programDirEnvironment);
  const std::string data = overridden ? std::string() : DataFolder(programFolder);
  if (data.empty())
    return {CommandLine::ProgramDir(dirOption, programDirEnvironment, programFolder), {}};
  const std::string user = UserFolder(xdgDataHome, home);
  if (user.empty()) {
    // Nowhere to write: the chip files can still be read from the install.
    return {data,
            "no per-user folder (neither XDG_DATA_HOME nor HOME is set): settings and "
            "results cannot be kept; give --dir"};
  }
  const bool underHome = !(xdgDataHome && xdgDataHome[0] == '/');
  std::error_code ec;
  if (underHome && !fs::is_directory(home, ec)) {
    // A system user's home such as /nonexistent is not made: the folders below it would be
    // created by whoever happens to have the rights.
    return {data, std::string("the home folder ") + home +
                      " does not exist and is not created: settings and results cannot be "
                      "kept; give --dir, QX_PROGRAM_DIR or XDG_DATA_HOME"};
  }
  return {user, Prepare(data, user)};
}

std::string InstalledCopy::DataFolder(const std::string& programFolder) {
  if (programFolder.empty()) return {};
  std::error_code ec;
  // A build tree or an unpacked copy keeps its chip files beside the executables.
  if (fs::exists(chip::SetupChipLoad::FolderOf(programFolder), ec)) return {};
  const fs::path data = fs::path(programFolder) / kDataFolder;
  if (!fs::is_regular_file(data / "INCLUDE" / chip::kChipIndexFile, ec)) return {};
  const std::string folder = data.lexically_normal().string();
  return folder.back() == '/' ? folder : folder + '/';
}

std::string InstalledCopy::UserFolder(const char* xdgDataHome, const char* home) {
  std::string base;
  if (xdgDataHome && xdgDataHome[0] == '/')
    base = xdgDataHome;
  else if (home && *home)
    base = (fs::path(home) / ".local/share").string();
  else
    return {};
  return (fs::path(base) / kUserFolderName).string() + '/';
}

std::string InstalledCopy::Prepare(const std::string& dataFolder, const std::string& userFolder) {
  const fs::path from = chip::SetupChipLoad::FolderOf(dataFolder);
  const fs::path to = chip::SetupChipLoad::FolderOf(userFolder);
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) return "cannot create " + to.string() + ": " + ec.message();
  fs::directory_iterator it(from, ec);
  if (ec) return "cannot read " + from.string() + ": " + ec.message();
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path target = to / it->path().filename();
    fs::copy_file(it->path(), target, fs::copy_options::update_existing, ec);
    if (ec)
      return "cannot copy " + it->path().string() + " to " + target.string() + ": " + ec.message();
  }
  if (ec) return "cannot read " + from.string() + ": " + ec.message();
  return {};
}

}  // namespace qx::app

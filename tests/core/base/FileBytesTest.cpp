#include "core/base/FileBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace qx::base {
namespace {

TEST(FileBytesTest, WholeRegularFilesUpToTheLimitOnly) {
  test::TempDir temp("qx_file_bytes");
  const auto path = temp.Path() / "bytes.bin";
  { std::ofstream(path, std::ios::binary) << std::string(100, 'z'); }
  EXPECT_EQ(ReadFileBytes(path, 100), std::string(100, 'z'));

  const FileRead large = ReadRegularFile(path, 99);
  EXPECT_EQ(large.status, FileRead::Status::TooLarge);
  EXPECT_EQ(large.error, path.string() + ": larger than 99 bytes, not read");
  EXPECT_EQ(large.bytes, "");
  EXPECT_FALSE(ReadFileBytes(path, 99).has_value()) << "never a truncated file";

  std::filesystem::remove(path);
  EXPECT_EQ(ReadRegularFile(path, 10).status, FileRead::Status::Missing);
  EXPECT_FALSE(ReadFileBytes(path).has_value());
}

TEST(FileBytesTest, FoldersDevicesAndLinksToThemAreRefusedAtOnce) {
  test::TempDir temp("qx_file_bytes");
  const auto zero = temp.Path() / "ComPorts.txt";
  std::filesystem::create_symlink("/dev/zero", zero);
  for (const std::filesystem::path& p : {std::filesystem::path("/dev/zero"), zero, temp.Path()}) {
    const FileRead r = ReadRegularFile(p, kSettingsFileLimit);
    EXPECT_EQ(r.status, FileRead::Status::NotRegular) << p;
    EXPECT_EQ(r.error, p.string() + ": not a regular file");
  }
  // A link to a regular file is read as that file.
  { std::ofstream(temp.Path() / "real", std::ios::binary) << "COM3 /dev/ttyUSB0\n"; }
  std::filesystem::create_symlink(temp.Path() / "real", temp.Path() / "link");
  EXPECT_EQ(ReadFileBytes(temp.Path() / "link"), "COM3 /dev/ttyUSB0\n");
}

TEST(FileBytesTest, ANameThatCannotBeLookedUpIsNotMissing) {
  test::TempDir temp("qx_file_bytes");
  const auto loop = temp.Path() / "Fluke.txt";
  std::filesystem::create_symlink(loop, loop);
  const FileRead looped = ReadRegularFile(loop, kSettingsFileLimit);
  EXPECT_EQ(looped.status, FileRead::Status::Unreadable);
  EXPECT_EQ(looped.error.rfind(loop.string() + ": ", 0), 0u) << looped.error;
  EXPECT_NE(looped.error, loop.string() + ": no such file");
  EXPECT_EQ(looped.error, loop.string() + ": " + looped.reason);

  const auto tooLong = temp.Path() / std::string(300, 'x');
  EXPECT_EQ(ReadRegularFile(tooLong, 10).status, FileRead::Status::Unreadable);
  // Below a regular file nothing can exist: that is missing, not unreadable.
  { std::ofstream(temp.Path() / "plain") << "x"; }
  EXPECT_EQ(ReadRegularFile(temp.Path() / "plain" / "child", 10).status, FileRead::Status::Missing);
}

}  // namespace
}  // namespace qx::base

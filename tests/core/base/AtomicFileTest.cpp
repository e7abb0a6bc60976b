#include "core/base/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/FileBytes.h"
#include "support/TempDir.h"

namespace qx::base {
namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  test::TempDir temp{"qx_atomic"};
  const std::filesystem::path& dir = temp.Path();
};

TEST_F(AtomicFileTest, ReplacesTheFileAndLeavesNoTemporary) {
  const auto path = dir / "a.cfg";
  { std::ofstream(path, std::ios::binary) << "old contents that are longer"; }
  std::string error;
  ASSERT_TRUE(base::AtomicFile::Write(path, std::string("new\r\n\0x", 7), error)) << error;
  EXPECT_EQ(ReadFileBytes(path), std::string("new\r\n\0x", 7));
  EXPECT_FALSE(std::filesystem::exists(base::AtomicFile::TempPath(path)));
}

TEST_F(AtomicFileTest, FailureLeavesTheOldFileUntouched) {
  const auto path = dir / "b.cfg";
  { std::ofstream(path, std::ios::binary) << "keep"; }
  // A folder in the way of the temporary file makes the write fail before the old file is hit.
  std::filesystem::create_directories(base::AtomicFile::TempPath(path));
  std::string error;
  EXPECT_FALSE(base::AtomicFile::Write(path, "lost", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFileBytes(path), "keep");
}

TEST_F(AtomicFileTest, MissingFolderIsAnError) {
  std::string error;
  EXPECT_FALSE(base::AtomicFile::Write(dir / "none" / "c.cfg", "x", error));
  EXPECT_NE(error.find("c.cfg"), std::string::npos);
}

TEST(FileBytesTest, ReadsAtMostTheLimit) {
  test::TempDir temp("qx_file_bytes");
  const auto path = temp.Path() / "bytes.bin";
  { std::ofstream(path, std::ios::binary) << std::string(100, 'z'); }
  EXPECT_EQ(ReadFileBytes(path, 10), std::string(10, 'z'));
  EXPECT_EQ(ReadFileBytes(path)->size(), 100u);
  std::filesystem::remove(path);
  EXPECT_FALSE(ReadFileBytes(path).has_value());
}

}  // namespace
}  // namespace qx::base

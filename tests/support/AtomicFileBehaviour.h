#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "support/TempDir.h"

// What every set of AtomicFile steps keeps, as a typed test. A test file instantiates it with
// a type whose static `Steps()` gives the steps to install.

namespace qx::test {

template <class Maker>
class AtomicFileBehaviour : public ::testing::Test {
 protected:
  void SetUp() override { base::AtomicFile::Install(Maker::Steps()); }

  /// Names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static void Put(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  TempDir temp{"qx_atomic"};
  const std::filesystem::path& dir = temp.Path();
};

TYPED_TEST_SUITE_P(AtomicFileBehaviour);

TYPED_TEST_P(AtomicFileBehaviour, ReplacesTheFileAndLeavesNoTemporary) {
  const auto path = this->dir / "a.cfg";
  this->Put(path, "old contents that are longer");
  std::string error;
  ASSERT_TRUE(base::AtomicFile::Write(path, std::string("new\r\n\0x", 7), error)) << error;
  EXPECT_EQ(base::ReadFileBytes(path), std::string("new\r\n\0x", 7));
  EXPECT_EQ(this->Names(), std::vector<std::string>{"a.cfg"});
}

TYPED_TEST_P(AtomicFileBehaviour, LinkAtTheOldTemporaryNameIsNeverFollowed) {
  const auto path = this->dir / "out.csv";
  const auto victim = this->dir / "victim";
  this->Put(victim, "precious");
  std::filesystem::create_symlink(victim, this->dir / "out.csv.tmp");
  std::string error;
  ASSERT_TRUE(base::AtomicFile::Write(path, "1,2\r\n", error)) << error;
  EXPECT_EQ(base::ReadFileBytes(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(base::ReadFileBytes(path), "1,2\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(this->dir / "out.csv.tmp"));
  EXPECT_EQ(this->Names(), (std::vector<std::string>{"out.csv", "out.csv.tmp", "victim"}));
}

TYPED_TEST_P(AtomicFileBehaviour, TwoWritersOfOneFileNeverShareATemporaryFile) {
  const auto path = this->dir / "QxADC.cfg";
  std::filesystem::path first, second;
  std::string error;
  ASSERT_TRUE(base::AtomicFile::WriteTemp(path, "first writer", first, error)) << error;
  ASSERT_TRUE(base::AtomicFile::WriteTemp(path, "second writer", second, error)) << error;
  EXPECT_NE(first, second);
  EXPECT_EQ(first.parent_path(), this->dir);
  EXPECT_EQ(base::ReadFileBytes(first), "first writer");
  ASSERT_TRUE(base::AtomicFile::Replace(second, path, error)) << error;
  ASSERT_TRUE(base::AtomicFile::Replace(first, path, error)) << error;
  EXPECT_EQ(base::ReadFileBytes(path), "first writer");
  EXPECT_EQ(this->Names(), std::vector<std::string>{"QxADC.cfg"});
}

TYPED_TEST_P(AtomicFileBehaviour, FailureLeavesTheOldFileUntouchedAndNoTemporary) {
  // A folder where the file should be: the rename fails after the temporary file was written.
  const auto path = this->dir / "b.cfg";
  std::filesystem::create_directories(path);
  this->Put(path / "inside", "keep");
  std::string error;
  EXPECT_FALSE(base::AtomicFile::Write(path, "lost", error));
  EXPECT_NE(error.find("b.cfg"), std::string::npos) << error;
  EXPECT_EQ(base::ReadFileBytes(path / "inside"), "keep");
  EXPECT_EQ(this->Names(), std::vector<std::string>{"b.cfg"});

  error.clear();
  EXPECT_FALSE(base::AtomicFile::Write(this->dir / "none" / "c.cfg", "x", error));
  EXPECT_NE(error.find("c.cfg"), std::string::npos) << error;
}

REGISTER_TYPED_TEST_SUITE_P(AtomicFileBehaviour, ReplacesTheFileAndLeavesNoTemporary,
                            LinkAtTheOldTemporaryNameIsNeverFollowed,
                            TwoWritersOfOneFileNeverShareATemporaryFile,
                            FailureLeavesTheOldFileUntouchedAndNoTemporary);

}  // namespace qx::test

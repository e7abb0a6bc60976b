#include "platform/ComPortNames.h"
#include "platform/PosixSerialPortProvider.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace qx::platform {
namespace {

TEST(ComPortNames, PortNumberAcceptsOnlyBenchNames) {
  const struct {
    const char* name;
    std::optional<int> number;
  } cases[] = {
      {"COM1", 1},        {"com16", 16}, {"Com17", 17},       {"COM99", 99},
      {"\\\\.\\COM3", 3}, {"COM0", {}},  {"COM100", {}},      {"COM01", {}},
      {"COM", {}},        {"COMX", {}},  {"COM1 ", {}},       {" COM1", {}},
      {"LPT1", {}},       {"", {}},      {"\\\\.\\LPT1", {}}, {"COM-1", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComPortNames::PortNumber(c.name), c.number) << c.name;
  }
}

TEST(ComPortNames, WithoutTableComNIsTtySNMinusOne) {
  EXPECT_EQ(ComPortNames::Resolve("COM1", ""), "/dev/ttyS0");
  EXPECT_EQ(ComPortNames::Resolve("COM16", ""), "/dev/ttyS15");
  EXPECT_EQ(ComPortNames::Resolve("com99", ""), "/dev/ttyS98");
  EXPECT_EQ(ComPortNames::Resolve("/dev/pts/7", "COM1 /dev/ttyUSB0\n"), "/dev/pts/7");
  EXPECT_EQ(ComPortNames::Resolve("ttyUSB0", ""), "");
  EXPECT_EQ(ComPortNames::Resolve("COM0", ""), "");
}

TEST(ComPortNames, TableSkipsCommentsBlankAndMalformedLines) {
  const std::string text =
      "# bench 3\r\n"
      "\r\n"
      "COM3 /dev/ttyUSB0\r\n"
      "\tcom4\t/dev/serial/by-id/usb-FTDI-if00  \n"
      "COM5\n"                     // no path
      "COM6 /dev/ttyUSB1 extra\n"  // three words
      "COM7 ttyUSB2\n"             // relative path
      "COM0 /dev/ttyUSB3\n"        // no such port
      "#COM8 /dev/ttyUSB4\n"       // commented out
      "PORT9 /dev/ttyUSB5\n"       // not a port name
      "COM3 /dev/ttyACM0\n"        // repeated: the first line stands
      "COM12 /dev/ttyACM1";        // no final line end
  const std::map<int, std::string> expected = {
      {3, "/dev/ttyUSB0"}, {4, "/dev/serial/by-id/usb-FTDI-if00"}, {12, "/dev/ttyACM1"}};
  EXPECT_EQ(ComPortNames::ParseTable(text), expected);

  EXPECT_EQ(ComPortNames::Resolve("COM3", text), "/dev/ttyUSB0");
  EXPECT_EQ(ComPortNames::Resolve("COM6", text), "/dev/ttyS5");
  EXPECT_EQ(ComPortNames::Resolve("COM7", text), "/dev/ttyS6");
  EXPECT_EQ(ComPortNames::Resolve("COM12", text), "/dev/ttyACM1");
}

class ComPortsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("qx_comports_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void WriteTable(const std::string& text) {
    std::ofstream(dir_ / "ComPorts.txt", std::ios::binary) << text;
  }
  std::string Dir(bool trailingSlash) const { return dir_.string() + (trailingSlash ? "/" : ""); }

  std::filesystem::path dir_;
};

TEST_F(ComPortsFile, PresentFileMapsListedPortsOnly) {
  WriteTable("COM16 /dev/ttyUSB0\n");
  for (bool slash : {true, false}) {
    EXPECT_EQ(ComPortNames::ResolveInDir("COM16", Dir(slash)), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortNames::ResolveInDir("COM2", Dir(slash)), "/dev/ttyS1");
  }
}

TEST_F(ComPortsFile, AbsentFileFallsBackToTtyS) {
  EXPECT_EQ(ComPortNames::ResolveInDir("COM16", Dir(true)), "/dev/ttyS15");
}

TEST_F(ComPortsFile, BinaryGarbageFileFallsBackToTtyS) {
  WriteTable(std::string("\xFF\x00\x13 COM16\x00/dev/x\n", 17));
  EXPECT_EQ(ComPortNames::ResolveInDir("COM16", Dir(true)), "/dev/ttyS15");
}

TEST_F(ComPortsFile, TableThatIsNoRegularFileOrTooLargeResolvesNothing) {
  // A table listing COM16 first, then padding past the limit: never read in part.
  WriteTable("COM16 /dev/ttyUSB0\n" + std::string(ComPortNames::kMaxTableBytes, '#'));
  std::string problem;
  EXPECT_EQ(ComPortNames::ResolveInDir("COM16", Dir(true), &problem), "");
  EXPECT_EQ(problem, (dir_ / "ComPorts.txt").string() + ": larger than 65536 bytes, not read");

  std::filesystem::remove(dir_ / "ComPorts.txt");
  std::filesystem::create_symlink("/dev/zero", dir_ / "ComPorts.txt");
  problem.clear();
  EXPECT_EQ(ComPortNames::ResolveInDir("COM16", Dir(false), &problem), "");
  EXPECT_EQ(problem, (dir_ / "ComPorts.txt").string() + ": not a regular file");
}

TEST_F(ComPortsFile, ProviderReportsAnUnusableTableWhereItIsToldAndOpensNothing) {
  std::filesystem::create_directory(dir_ / "ComPorts.txt");
  PosixSerialPortProvider ports(Dir(true));
  std::vector<std::string> reports;
  ports.OnProblem([&reports](const std::string& p) { reports.push_back(p); });
  EXPECT_EQ(ports.Open("COM1"), nullptr);
  EXPECT_EQ(reports,
            std::vector<std::string>{(dir_ / "ComPorts.txt").string() + ": not a regular file"});
  // A usable table reports nothing, even when the port it names is not there.
  std::filesystem::remove(dir_ / "ComPorts.txt");
  WriteTable("COM1 /nonexistent/tty\n");
  EXPECT_EQ(ports.Open("COM1"), nullptr);
  EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
}  // namespace qx::platform

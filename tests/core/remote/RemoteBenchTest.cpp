#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/app/RemoteBench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiServer.h"
#include "core/remote/ScpiSession.h"
#include "support/FakeBridge.h"

namespace qx::app {
namespace {

using test::Bytes;

/// The bench's commands over a session, on link kind 5 with a fake bridge whose registers read
/// 0x10 + address.
class RemoteBenchTest : public ::testing::Test {
 protected:
  RemoteBenchTest() {
    bench.target.LinkKind = link::kLinkQx740x;
    remote.AddCommands(tree);
    bridge.respond = [this](const Bytes& r) { return Reply(r); };
  }

  Bytes Reply(const Bytes& r) {
    Bytes out(64, 0);
    if (r[0] == 0xF9 && r[1] == 0x05) {
      std::memcpy(out.data(), "QXB,0042", 8);
      return out;
    }
    if (r[0] != 0xC4) return bridge.DefaultReply(r);
    // A refused transfer is one whose reply never comes.
    if ((r[1] == 0x00 && refuseWrite) || (r[1] == 0x01 && refuseRead)) bridge.failReads = 1;
    out[0] = 0xFA;
    if (r[1] == 0x00 && keepWrites)
      for (int i = 0; i < r[4]; ++i) held[static_cast<uint8_t>(r[3] + i)] = r[7 + i];
    if (r[1] == 0x01) {
      for (int i = 0; i < r[4]; ++i) {
        const auto a = static_cast<uint8_t>(r[3] + i);
        out[1 + i] = held.count(a) ? held[a] : static_cast<uint8_t>(0x10 + a);
      }
    }
    return out;
  }
  void Plug() { hid.AttachBridge(bridge); }
  std::string Ask(const std::string& in) { return session.Feed(in); }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  Workbench bench{clock, host, hid, bulk};
  RemoteBench remote{bench};
  remote::ScpiCommandTree tree;
  remote::ScpiSession session{tree, remote};
  bool refuseWrite = false;
  bool refuseRead = false;
  bool keepWrites = false;  ///< a chip whose registers hold what is written
  std::map<uint8_t, uint8_t> held;
};

struct BenchCase {
  const char* name;
  bool plugged;
  std::string in;
  std::string out;
};

class BenchBytes : public RemoteBenchTest, public ::testing::WithParamInterface<BenchCase> {};

TEST_P(BenchBytes, ExactReply) {
  if (GetParam().plugged) Plug();
  EXPECT_EQ(Ask(GetParam().in), GetParam().out);
}

const std::string kNoError = "0,\"No error\"\n";
const std::string kReach = "2,\"the QX740x link reaches registers 0 to 4 only\"\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, BenchBytes,
    ::testing::Values(
        BenchCase{"IdnNamesTheBridge", true, "*TST?;*IDN?\n",
                  "0;Quorvane,Qx-740xTEST,QXB_0042,1.4\n"},
        BenchCase{"IdnWithoutBridge", false, "*IDN?\n", "Quorvane,Qx-740xTEST,0,1.4\n"},
        BenchCase{"SelfTestWithoutBridge", false, "*TST?\n", "1\n"},
        BenchCase{"LinkKind", false, "LINK:KIND 3;KIND?\n", "3\n"},
        BenchCase{"LinkKindRange", false, "LINK:KIND 6\nLINK:KIND?;:SYST:ERR?\n",
                  "5;-222,\"Data out of range\"\n"},
        BenchCase{"LinkStateOnLine", true, "*TST?;:LINK:STAT?\n", "0;1\n"},
        BenchCase{"LinkStateOffLine", false, "link:state?\n", "0\n"},
        BenchCase{"ReadOne", true, "REG:VAL? 3\n", "19\n"},
        BenchCase{"ReadSeveral", true, "REGister:VALue? 1,3\n", "17,18,19\n"},
        BenchCase{"ReadAsBlock", true, "FORM INT;:REG:VAL? 0,2\n",
                  std::string("#18\0\0\0\x10\0\0\0\x11\n", 12)},
        BenchCase{"ReadBeyondFive", true, "REG:VAL? 3,3\nSYST:ERR?\n", kReach},
        BenchCase{"WriteBeyondFive", true, "REG:VAL 5,1\nSYST:ERR?\n", kReach},
        BenchCase{"ReadPastTheImage", true, "LINK:KIND 1\nREG:VAL? 1020,5\nSYST:ERR?\n",
                  "-222,\"Data out of range\"\n"},
        BenchCase{"ReadWithoutBridge", false, "REG:VAL? 0\nSYST:ERR?\n",
                  "1,\"USB not Connect !!!\"\n"},
        BenchCase{"WriteWithoutBridge", false, "REG:VAL 0,1\nSYST:ERR?;*ESR?\n",
                  "1,\"USB not Connect !!!\";8\n"},
        BenchCase{"WriteNeedsTwo", true, "REG:VAL 1\nSYST:ERR?\n", "-109,\"Missing parameter\"\n"},
        BenchCase{"ValueIsAByte", true, "REG:VAL 1,256\nSYST:ERR?\n",
                  "-222,\"Data out of range\"\n"},
        BenchCase{"BridgeName", true, "LINK:BRID?\n", "\"QXB,0042\"\n"},
        BenchCase{"BridgeNameWithoutBridge", false, "LINK:BRID?\nSYST:ERR?\n",
                  "1,\"USB not Connect !!!\"\n"},
        BenchCase{"BridgeOnTheSerialLink", false, "LINK:KIND 0\nLINK:BRID?\nSYST:ERR?\n",
                  "1,\"the link kind has no USB bridge\"\n"},
        // The image keeps what a write read back; REG:DATA? gives it without touching the target.
        BenchCase{"ImageAsBlock", true, "REG:VAL 2,1;:REG:DATA? 1,3\n",
                  std::string("#13\0\x12\0\n", 7)},
        BenchCase{"ImageBlockPastTheEnd", true, "REG:DATA? 1023,2\nSYST:ERR?\n",
                  "-222,\"Data out of range\"\n"},
        // Read RAM first: on kind 5 the five ADC registers come from the target.
        BenchCase{"MemoryReadsTheTarget", true, "MEM:DATA? 0,5\n", "#15\x10\x11\x12\x13\x14\n"},
        BenchCase{"MemoryWithoutBridge", false, "MEM:DATA? 0,5\nSYST:ERR?\n",
                  "1,\"USB not Connect !!!\"\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(RemoteBenchTest, WriteStoresWhatReadsBack) {
  Plug();
  EXPECT_EQ(Ask("REG:VAL 2,#HAB;:SYST:ERR?\n"), kNoError);
  // The fake chip reads 0x12 at address 2 whatever was written: the image keeps the read-back.
  EXPECT_EQ(bench.access.GetRegImage(2), 0x12);
  bool wrote = false;
  for (const Bytes& r : bridge.requests)
    wrote |= r.size() >= 5 && r[0] == 0xC4 && r[1] == 0x00 && r[3] == 2;
  EXPECT_TRUE(wrote);
}

// Registers by the name the chip description gives them, in any case, with the same checks as
// an address.
TEST_F(RemoteBenchTest, RegistersAreReachedByTheirName) {
  Plug();
  keepWrites = true;
  chip::ChipModel& chip = bench.chip;
  chip::GridState& names = chip.Ui.Grid("SByteReg");
  names.SetRows(4);
  // Ten registers: the tenth name is on the grid's third row.
  for (int n = 0; n < 10; ++n) {
    chip::ByteRegister reg;
    reg.address = static_cast<uint16_t>(n == 9 ? 0x40 : n);
    ASSERT_EQ(chip.ByteRegs.Add(reg), 0);
    names.SetCell(n % 9, (n / 9) * 2, "ADCCON" + std::to_string(n));
  }
  chip.ByteRegisterCount = 10;
  EXPECT_EQ(Ask("REG:VAL \"adccon1\",#H22;:REG:VAL? ADCCON1;:SYST:ERR?\n"), "34;0,\"No error\"\n");
  EXPECT_EQ(held[1], 0x22);
  EXPECT_EQ(Ask("REG:VAL? ADCCON4,1\n"), "20\n");
  EXPECT_EQ(Ask("REG:VAL? ADCCON9\nSYST:ERR?\n"),
            "2,\"the QX740x link reaches registers 0 to 4 only\"\n");
  EXPECT_EQ(Ask("REG:VAL ADCCON,1\nSYST:ERR?\n"),
            "6,\"the chip description declares no register ADCCON\"\n");
  EXPECT_EQ(held.size(), 1u);
}

TEST_F(RemoteBenchTest, LockHeldElsewhereLeavesLinkAndRegistersAlone) {
  Plug();
  remote::ScpiServer server(remote);
  remote.AddCommands(server.Commands());
  const uint64_t holder = *server.Open();
  const uint64_t other = *server.Open();
  server.Receive(holder, "SYST:LOCK:REQ?\n");
  server.Receive(other, "LINK:KIND 1\nREG:VAL 2,1\nSYST:ERR?;ERR?;:LINK:KIND?;:REG:VAL? 2\n");
  const std::string locked =
      "-203,\"Command protected;the remote lock is held by another connection\"";
  EXPECT_EQ(server.Unsent(other), locked + ";" + locked + ";5;18\n");
  bool wrote = false;
  for (const Bytes& r : bridge.requests) wrote |= r.size() >= 2 && r[0] == 0xC4 && r[1] == 0x00;
  EXPECT_FALSE(wrote);
}

// Fields by their keyword: the other bits of the register stay as the target holds them.
TEST_F(RemoteBenchTest, FieldsAreWrittenAndReadByTheirKeyword) {
  Plug();
  keepWrites = true;
  bench.chip.AdcFields["PGA"] = {1, 3, 5, 0, true};  // bits 7..5 of register 01
  bench.chip.OpFields["OPEN"] = {7, 1, 0, 0, true};  // beyond the QX740x link's reach
  const struct {
    const char* in;
    std::string out;
  } steps[] = {
      {"REG:FIEL \"pga\",5;:REG:FIEL? PGA;:REG:VAL? 1\n", "5;177\n"},  // 0x11 -> 0xB1
      {"REG:FIEL PGA,8\nSYST:ERR?\n", "-222,\"Data out of range\"\n"},
      {"REG:FIEL? \"OSR\"\nSYST:ERR?\n", "6,\"the chip description declares no field OSR\"\n"},
      {"REG:FIEL? OPEN\nSYST:ERR?\n", kReach},
      {"REG:FIEL PGA\nSYST:ERR?\n", "-109,\"Missing parameter\"\n"},
  };
  for (const auto& step : steps) EXPECT_EQ(Ask(step.in), step.out) << step.in;

  // A register that keeps none of what is written: the field did not take.
  keepWrites = false;
  held.clear();
  EXPECT_EQ(Ask("REG:FIEL PGA,3\nSYST:ERR?\n"), "4,\"PGA = 3 did not take\"\n");
}

struct FailureCase {
  const char* name;
  bool refuseWrite, refuseRead;
  std::string in;
  std::string error;
};

class BenchFailures : public RemoteBenchTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BenchFailures, FailureIsQueuedWithTheWindowsText) {
  Plug();
  refuseWrite = GetParam().refuseWrite;
  refuseRead = GetParam().refuseRead;
  EXPECT_EQ(Ask(GetParam().in), "");
  EXPECT_EQ(Ask("SYST:ERR?\n"), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Link, BenchFailures,
                         ::testing::Values(FailureCase{"Write", true, false, "REG:VAL 2,1\n",
                                                       "3,\"Register 02: write failed\"\n"},
                                           FailureCase{"ReadBack", false, true, "REG:VAL 4,1\n",
                                                       "4,\"Register 04: read-back failed\"\n"},
                                           FailureCase{"Read", false, true, "REG:VAL? 0\n",
                                                       "5,\"Read Error !!!!!\"\n"},
                                           FailureCase{"Memory", false, true, "MEM:DATA? 0,5\n",
                                                       "5,\"Read Error !!!!!\"\n"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace qx::app

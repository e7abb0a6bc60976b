#include "core/autotest/SwitchTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "core/app/Workbench.h"
#include "core/autotest/SwitchCsv.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"
#include "support/TempDir.h"

namespace qx::autotest {
namespace {

using test::Bytes;

/// A target with data memory on the UART link (C1 frames) and on the bridge's memory link (B1,
/// or BC through the optocoupler), a firmware that clears busy bits after `busyReads`
/// reads, completion flags and a result store that chunk requests copy to 0x100.
struct MemoryTarget {
  std::array<uint8_t, 1024> mem{};
  std::vector<uint32_t> codes;  ///< results, one 24-bit code a sample
  std::string name = "QXBRIDGE";
  uint8_t flags = 0;
  bool completeOnStart = true;
  bool stuckD2 = false;
  bool stuckChunk = false;        ///< bit 3 of 0xA4 never clears and nothing is copied
  std::vector<int> chunkLengths;  ///< length byte of every chunk request

  Bytes Respond(const Bytes& r) {
    Bytes out(64, 0);
    if (r[0] == 0xF9 && r[1] == 0x05) {
      std::memcpy(out.data(), name.data(), std::min<size_t>(8, name.size()));
      return out;
    }
    if (r[0] == 0xB5) {
      out[1] = flags;
      return out;
    }
    const bool uart = r[0] == 0xC1;
    if (!uart && r[0] != 0xB1 && r[0] != 0xBC) return out;
    const size_t address = r[2] | r[3] << 8;
    const size_t count = r[4];
    if (r[1] == (uart ? 0x80 : 0xC0)) {
      for (size_t i = 0; i < count; ++i) out[i] = mem[address + i];
      if (uart) out[count] = 0xFA;
      return out;
    }
    for (size_t i = 0; i < count; ++i) mem[address + i] = r[5 + i];
    Firmware();
    out[0] = 0xAA;
    return out;
  }

  void Firmware() {
    if ((mem[0xD2] & 0x80) && !stuckD2) mem[0xD2] &= 0x7F;
    if (mem[0xA4] & 0x10) {
      mem[0xA4] &= ~0x10;
      if (completeOnStart) flags |= 0x30;
    }
    if ((mem[0xA4] & 0x08) && !stuckChunk) {
      const size_t offset = mem[0x170] | mem[0x171] << 8 | mem[0x172] << 16;
      chunkLengths.push_back(mem[0x173]);
      for (size_t i = 0; i < mem[0x173]; ++i) {
        const size_t s = (offset + i) / 3;
        const uint32_t code = s < codes.size() ? codes[s] : 0;
        mem[0x100 + i] = static_cast<uint8_t>(code >> (8 * ((offset + i) % 3)));
      }
      mem[0xA4] &= ~0x08;
    }
  }
};

/// A host whose message pump runs a test's hook.
struct PumpHost : base::RecordingHost {
  std::function<void()> onPump;
  bool answerNo = false;  ///< a user who answers No; otherwise the front end's fallback
  bool AskYesNo(const std::string& text, bool fallback) override {
    return RecordingHost::AskYesNo(text, fallback) && !answerNo;
  }
  void PumpEvents() override {
    if (onPump) onPump();
  }
};

class SwitchTestFixture : public ::testing::Test {
 protected:
  SwitchTestFixture() {
    bridge.respond = [this](const Bytes& r) {
      const bool handshake = (r[0] == 0xF9 && r[1] != 0x05) || r[0] == 0xC5;
      return handshake ? bridge.DefaultReply(r) : target.Respond(r);
    };
    hid.AttachBridge(bridge);
    bench.target.LinkKind = link::kLinkUart;
    EXPECT_TRUE(bench.usb.UsbOpen(bench.target.Usb));
    bridge.requests.clear();
  }
  void Enable(std::initializer_list<int> channels) {
    for (int ch : channels) test().SwitChClick(ch, true);
  }
  SwitchTest& test() { return bench.switchTest; }
  /// Requests writing `address` (C1 00 lo hi cnt data...), cut to the header and data.
  std::vector<Bytes> WritesTo(size_t address) const {
    std::vector<Bytes> out;
    for (const Bytes& r : bridge.requests)
      if (r[0] == 0xC1 && r[1] == 0x00 && (r[2] | r[3] << 8) == static_cast<int>(address))
        out.emplace_back(r.begin() + 5, r.begin() + 5 + r[4]);
    return out;
  }
  size_t FramesStartingWith(uint8_t first) const {
    return static_cast<size_t>(std::count_if(bridge.requests.begin(), bridge.requests.end(),
                                             [first](const Bytes& r) { return r[0] == first; }));
  }
  std::vector<int> ReadCountsAt(size_t address) const {
    std::vector<int> out;
    for (const Bytes& r : bridge.requests)
      if (r[0] == 0xC1 && r[1] == 0x80 && (r[2] | r[3] << 8) == static_cast<int>(address))
        out.push_back(r[4]);
    return out;
  }

  MemoryTarget target;
  test::FakeBridge bridge;
  base::FakeClock clock;
  PumpHost host;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
};

TEST(SwitchTestMath, CodesAndPlacement) {
  EXPECT_EQ(SwitchTest::ConvertCode(0xFFFFFF, 1), -1);
  EXPECT_EQ(SwitchTest::ConvertCode(0x800000, 1), -8388608);
  EXPECT_EQ(SwitchTest::ConvertCode(0x7FFFFF, 256), 32767);
  EXPECT_EQ(SwitchTest::ConvertCode(0x800001, 2), -4194303);  // truncates towards zero
  EXPECT_EQ(SwitchTest::ConvertCode(0xFFFFFF, 32768), 0);
  // Two channels, 4 samples a step, 2 loops: 8 samples a loop.
  const std::array<std::pair<int, int>, 16> expected{{{0, 0},
                                                      {0, 1},
                                                      {0, 2},
                                                      {0, 3},
                                                      {1, 0},
                                                      {1, 1},
                                                      {1, 2},
                                                      {1, 3},
                                                      {0, 4},
                                                      {0, 5},
                                                      {0, 6},
                                                      {0, 7},
                                                      {1, 4},
                                                      {1, 5},
                                                      {1, 6},
                                                      {1, 7}}};
  for (int done = 0; done < 16; ++done) {
    const SamplePlace p = SwitchTest::PlaceSample(done, 8, 4);
    EXPECT_EQ(p.record, expected[static_cast<size_t>(done)].first) << done;
    EXPECT_EQ(p.position, expected[static_cast<size_t>(done)].second) << done;
  }
}

TEST_F(SwitchTestFixture, SendWritesTablesAndGeometryWithReadBackCompare) {
  for (int ch = 0; ch < kChannels; ++ch)
    for (size_t i = 0; i < kChannelRegisters; ++i)
      test().records[static_cast<size_t>(ch)].RegValue[i] = static_cast<uint8_t>(ch * 16 + i);
  Enable({0, 1, 2});
  test().EvStepLenChange(4);  // 16
  test().LoopStepChange(8);   // 256
  ASSERT_TRUE(test().SendTO7R403WR());
  EXPECT_EQ(WritesTo(0x128),
            (std::vector<Bytes>{{0x31, 0x32, 0x37, 0x3C, 0x3D, 0x3E, 0x3F, 0x40}}));
  EXPECT_EQ(ReadCountsAt(0x128), std::vector<int>{8});
  Bytes low, high;
  for (uint8_t ch = 0; ch < 4; ++ch)
    for (uint8_t i = 0; i < 8; ++i) {
      low.push_back(static_cast<uint8_t>(ch * 16 + i));
      high.push_back(static_cast<uint8_t>((ch + 4) * 16 + i));
    }
  EXPECT_EQ(WritesTo(0x130), std::vector<Bytes>{low});
  EXPECT_EQ(WritesTo(0x150), std::vector<Bytes>{high});
  EXPECT_EQ(WritesTo(0x120), std::vector<Bytes>{{16}});
  EXPECT_EQ(WritesTo(0x122), (std::vector<Bytes>{{0x00, 0x01}}));
  EXPECT_EQ(WritesTo(0x124), std::vector<Bytes>{{3}});

  // A target whose table does not read back as written refuses the send before any value.
  bridge.requests.clear();
  bridge.respond = [this](const Bytes& r) {
    Bytes out = target.Respond(r);
    if (r[0] == 0xC1 && r[1] == 0x80 && r[2] == 0x28) out[7] ^= 1;
    return out;
  };
  test().SendTO7R403Click();
  EXPECT_TRUE(WritesTo(0x130).empty());
  EXPECT_EQ(host.errors, std::vector<std::string>{"Data Send Fail!!"});
  EXPECT_EQ(host.status[2], "Data Send Fail");
}

TEST_F(SwitchTestFixture, RunPlacesTheEnabledChannelsSamplesInRecordsFromZero) {
  Enable({1, 4});             // channels 2 and 5
  test().EvStepLenChange(2);  // 4
  test().LoopStepChange(1);   // 2
  for (uint32_t i = 0; i < 16; ++i) target.codes.push_back(i == 5 ? 0xFFFFFF : i);
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  EXPECT_EQ(host.status[2], "Test OK");
  const auto& r0 = test().records[0].Samples;
  const auto& r1 = test().records[1].Samples;
  EXPECT_EQ(std::vector<int32_t>(r0.begin(), r0.begin() + 8),
            (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11}));
  EXPECT_EQ(std::vector<int32_t>(r1.begin(), r1.begin() + 8),
            (std::vector<int32_t>{4, -1, 6, 7, 12, 13, 14, 15}));
  // 16 samples are one chunk of 48 bytes; the offset starts at 0 and the start bit went out.
  EXPECT_EQ(target.chunkLengths, std::vector<int>{48});
  EXPECT_EQ(WritesTo(0x173), (std::vector<Bytes>{{48, 0, 0}}));
  EXPECT_EQ(host.progress, -1);  // the gauge is hidden at the end
  // The engine reset came before the send, the start after it.
  EXPECT_EQ(WritesTo(0xD2).front(), Bytes{0x80});
}

TEST_F(SwitchTestFixture, OnTheQx740xLinkTheRunTakesTheMemoryLinkAndGivesTheLinkBack) {
  bench.target.LinkKind = link::kLinkQx740x;
  std::vector<uint16_t> kindsWhilePumping;
  host.onPump = [&] { kindsWhilePumping.push_back(bench.target.LinkKind); };
  Enable({0, 1});
  for (uint32_t i = 0; i < 4; ++i) target.codes.push_back(100 + i);  // 2 channels x 4, 1 loop
  for (uint32_t i = 0; i < 4; ++i) target.codes.push_back(0xFFFF00 + i);
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  EXPECT_EQ(host.status[2], "Test OK");
  EXPECT_EQ(test().records[0].Samples[3], 103);
  EXPECT_EQ(test().records[1].Samples[0], -256);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  // The channel table as a memory-link frame through the optocoupler (the default): BC 40,
  // address 0x128 low byte first, 8 bytes.
  const auto table = std::find_if(bridge.requests.begin(), bridge.requests.end(),
                                  [](const Bytes& r) { return r[0] == 0xBC && r[2] == 0x28; });
  ASSERT_NE(table, bridge.requests.end());
  EXPECT_EQ(Bytes(table->begin(), table->begin() + 13),
            (Bytes{0xBC, 0x40, 0x28, 0x01, 0x08, 0x31, 0x32, 0x37, 0x3C, 0x3D, 0x3E, 0x3F, 0x40}));
  EXPECT_EQ(FramesStartingWith(0xC4), 0u);
  EXPECT_EQ(FramesStartingWith(0xC1), 0u);
  // While messages run, the other windows see the link the user selected.
  ASSERT_FALSE(kindsWhilePumping.empty());
  EXPECT_EQ(std::count(kindsWhilePumping.begin(), kindsWhilePumping.end(), link::kLinkQx740x),
            static_cast<long>(kindsWhilePumping.size()));

  // A link chosen while messages run (the setup dialog) carries the rest and stays selected.
  bool chosen = false;
  host.onPump = [&] {
    if (!chosen) bench.target.LinkKind = link::kLinkUart;
    chosen = true;
  };
  bridge.requests.clear();
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkUart);
  EXPECT_EQ(ReadCountsAt(0x100), std::vector<int>{24});  // the readout went as C1 frames
}

TEST_F(SwitchTestFixture, ReviewPortAndEveryFailedRunOnTheQx740xLinkLeaveItSelected) {
  bench.target.LinkKind = link::kLinkQx740x;
  Enable({0});
  test().records[0].RegValue[3] = 0x5A;  // register 0x3C
  test().ReviewChannel(0);
  EXPECT_EQ(target.mem[0x3C], 0x5A);
  EXPECT_EQ(bench.access.GetRegImage(0x3C), 0x5A);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  target.mem[0x74] = 0xFF;
  EXPECT_TRUE(test().PT2OUTLOW());
  EXPECT_EQ(target.mem[0x74], 0xF7);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);

  target.stuckD2 = true;
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::BusyTimeout);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  target.stuckD2 = false;

  target.completeOnStart = false;
  host.onPump = [this] { test().PSTPClick(); };
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Stopped);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  host.onPump = nullptr;

  bridge.respond = [this](const Bytes& r) {
    Bytes out = target.Respond(r);
    if (r[0] == 0xBC && r[1] == 0xC0 && r[2] == 0x28) out[0] ^= 1;
    return out;
  };
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::SendFailed);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);

  bridge.failReads = 1;  // the bridge name
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NoBridge);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
}

TEST_F(SwitchTestFixture, FortySamplesAreReadInChunksOfSixteenSixteenEight) {
  Enable({0, 1, 2, 3, 4});
  test().EvStepLenChange(3);  // 8 samples a step, 1 loop: 40 samples
  for (uint32_t i = 0; i < 40; ++i) target.codes.push_back(0x800000 + i);
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  EXPECT_EQ(ReadCountsAt(0x100), (std::vector<int>{48, 48, 24}));
  EXPECT_EQ(WritesTo(0x170), (std::vector<Bytes>{{0, 0, 0}, {0, 0, 0}, {48, 0, 0}, {96, 0, 0}}));
  EXPECT_EQ(test().records[0].Samples[0], -8388608);
  EXPECT_EQ(test().records[4].Samples[7], -8388608 + 39);
}

TEST_F(SwitchTestFixture, CompletionBitFollowsPhotoAndBridgeName) {
  Enable({0});
  target.completeOnStart = false;
  target.flags = 0x10;  // only bit 4
  target.name = "ENOB-7A1";
  bench.settings.Photo = true;
  test().waitLimitSeconds = 5;
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);

  target.name = "QXBRIDGE";  // any other bridge reports completion on bit 5
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NotCompleted);
  EXPECT_EQ(host.status[2], "Test Fail");

  bench.settings.Photo = false;  // an ENOB bridge without the optocoupler: bit 5 as well
  target.name = "ENOB-7A1";
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NotCompleted);
}

TEST_F(SwitchTestFixture, WaitShowsElapsedSecondsAndEndsWithoutCompletion) {
  Enable({0});
  target.completeOnStart = false;
  test().waitLimitSeconds = 3605;
  const double start = clock.NowMs();
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NotCompleted);
  EXPECT_EQ(host.status[1], "3605 s");
  EXPECT_EQ(host.status[2], "Test Fail");
  EXPECT_GE(clock.NowMs() - start, 3605'000.0);
  EXPECT_TRUE(ReadCountsAt(0x100).empty());
}

TEST_F(SwitchTestFixture, HungBusyBitEndsTheRunAfterTheLimit) {
  Enable({0});
  target.stuckD2 = true;
  const double start = clock.NowMs();
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::BusyTimeout);
  EXPECT_EQ(host.status[2], "Test Fail");
  const double waited = clock.NowMs() - start;
  EXPECT_GE(waited, SwitchTest::kBusyLimitMs);
  EXPECT_LT(waited, SwitchTest::kBusyLimitMs + 2000);  // reads of the UART link wait 50 ms each
  EXPECT_TRUE(WritesTo(0x128).empty());
}

TEST_F(SwitchTestFixture, StartKeepsTheOtherBitsOfTheControlBytes) {
  Enable({0});
  test().EvStepLenChange(0);  // 1 sample: one chunk
  target.mem[0xD2] = 0x61;
  target.mem[0xA4] = 0xE1;
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  // Engine reset with bit 7, then bits 5 and 6 cleared; start with bits 5 and 6 cleared and
  // bit 4 set, then the chunk request with bit 3 on what the target left.
  EXPECT_EQ(WritesTo(0xD2), (std::vector<Bytes>{{0xE1}, {0x01}}));
  EXPECT_EQ(WritesTo(0xA4), (std::vector<Bytes>{{0x91}, {0x89}}));
  // The read offset is zeroed before the start, then set for the chunk.
  EXPECT_EQ(WritesTo(0x170), (std::vector<Bytes>{{0, 0, 0}, {0, 0, 0}}));
}

TEST_F(SwitchTestFixture, HungChunkBitEndsTheReadoutAfterTheLimit) {
  Enable({0, 1});
  target.stuckChunk = true;
  target.codes.assign(8, 0x123456);
  test().records[0].Samples[0] = 77;
  const double start = clock.NowMs();
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::ReadFailed);
  EXPECT_EQ(host.status[2], "Test Fail");
  EXPECT_LT(clock.NowMs() - start, 1000 + SwitchTest::kBusyLimitMs + 2000);
  EXPECT_TRUE(ReadCountsAt(0x100).empty());  // no stale frame taken for samples
  EXPECT_EQ(test().records[0].Samples[0], 77);
  EXPECT_EQ(host.progress, -1);
}

TEST_F(SwitchTestFixture, StopDuringTheReadoutKeepsTheSamplesReadSoFar) {
  Enable({0, 1, 2, 3, 4});
  test().EvStepLenChange(3);  // 40 samples: chunks of 16, 16, 8
  for (uint32_t i = 0; i < 40; ++i) target.codes.push_back(1000 + i);
  test().records[2].Samples[0] = -9;  // a sample of the third chunk, left from before
  host.onPump = [this] {
    if (ReadCountsAt(0x100).size() == 1) test().PSTPClick();
  };
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Stopped);
  EXPECT_EQ(ReadCountsAt(0x100), std::vector<int>{48});
  EXPECT_EQ(test().records[0].Samples[7], 1007);
  EXPECT_EQ(test().records[1].Samples[7], 1015);
  EXPECT_EQ(test().records[2].Samples[0], -9);
  EXPECT_EQ(host.status[2], "Test stopped: 16 of 40 samples read");
  EXPECT_EQ(host.progress, -1);
  EXPECT_FALSE(test().Running());
  EXPECT_EQ(test().Cell(8, 1), "1007");  // the table on show is filled
  // The third table holds nothing of this run: shown and saved empty, not as the old -9.
  test().PStepClick(2);
  EXPECT_EQ(test().Cell(1, 1), "");
  const std::string header =
      "  , Data 0, Data 1, Data 2, Data 3, Data 4, Data 5, Data 6, Data 7\r\n";
  EXPECT_EQ(SwitchCsv::Text(test().records[2]), header + "1, , , , , , , , \r\n");
  EXPECT_EQ(SwitchCsv::Text(test().records[1]),
            header + "1, 1008, 1009, 1010, 1011, 1012, 1013, 1014, 1015\r\n");
}

TEST_F(SwitchTestFixture, ChannelsWithAGapAreNamedBeforeTheRun) {
  Enable({0, 1});
  EXPECT_EQ(test().ChannelGapNotice(), "");
  test().SwitChClick(0, false);
  test().SwitChClick(4, true);  // channels 2 and 5
  EXPECT_EQ(test().ChannelGapNotice(),
            "The target measures the first 2 channel settings of its table in turn: the run "
            "measures the settings of channels 1 to 2, not those of the checked channels 2, 5.");
  test().SwitChClick(1, false);
  EXPECT_EQ(test().ChannelGapNotice(),
            "The target measures the first 1 channel setting of its table in turn: the run "
            "measures the settings of channel 1, not those of the checked channel 5.");

  host.answerNo = true;
  bridge.requests.clear();
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Stopped);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0], test().ChannelGapNotice() + " Run the test?");
  EXPECT_EQ(host.status[2], "Test cancelled");
  EXPECT_TRUE(WritesTo(0xD2).empty());  // nothing went to the target
  EXPECT_TRUE(WritesTo(0x128).empty());

  // Without a user to answer, the run goes on.
  host.answerNo = false;
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::Done);
  EXPECT_EQ(host.questions.size(), 2u);
}

TEST_F(SwitchTestFixture, BeginWithoutBridgeNameSaysTestFail) {
  Enable({0});
  bridge.failReads = 100;
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NoBridge);
  EXPECT_EQ(host.status[2], "Test Fail");
}

TEST_F(SwitchTestFixture, BeginWithNoChannelCheckedMeasuresNothingAndSaysSo) {
  // The target would run an empty test and report it done: no "Test OK" over a table of zeros.
  EXPECT_EQ(test().TestBeginClick(), SwitchTest::RunResult::NoChannel);
  EXPECT_EQ(host.status[2], SwitchTest::kNoChannelText);
  EXPECT_TRUE(bridge.requests.empty()) << "nothing went to the target";
  EXPECT_EQ(test().Cell(1, 1), "") << "the grid shows no samples";
  EXPECT_FALSE(test().Running());
}

TEST_F(SwitchTestFixture, StepPanelsAndGrid) {
  Enable({0, 1});
  test().PStepClick(2);  // channel 3 is off: the first table is shown
  EXPECT_EQ(test().CurrentStep(), 2);
  EXPECT_EQ(test().ShownStep(), 0);
  EXPECT_EQ(test().StepLook(0), (PanelLook{false, PanelLook::Text::Window, PanelLook::Fill::Blue}));
  EXPECT_EQ(test().StepLook(1),
            (PanelLook{true, PanelLook::Text::Desktop, PanelLook::Fill::ButtonFace}));
  EXPECT_EQ(test().StepLook(2),
            (PanelLook{false, PanelLook::Text::Silver, PanelLook::Fill::ButtonFace}));
  EXPECT_EQ(test().SetLook(2),
            (PanelLook{false, PanelLook::Text::Silver, PanelLook::Fill::ButtonFace}));

  test().EvStepLenChange(0);  // 1 sample a step
  test().LoopStepChange(2);   // 4 loops
  EXPECT_EQ(test().GridColumns(), 2);
  EXPECT_EQ(test().GridRows(), 5);
  test().records[1].Samples[3] = -42;
  test().records[1].Measured = 4;
  test().PStepClick(1);
  EXPECT_EQ(test().Cell(1, 4), "-42");
  EXPECT_EQ(test().Cell(0, 4), "4");
  EXPECT_EQ(test().Cell(1, 0), "1");
  test().ClearSGD();
  EXPECT_EQ(test().Cell(1, 4), "");
}

TEST_F(SwitchTestFixture, ScaleItemSetsTheSharedDivisorExceptTwentyFour) {
  test().TXScaleChange(0);
  EXPECT_EQ(bench.settings.CodeDivisor, 32768);
  test().TXScaleChange(15);
  EXPECT_EQ(bench.settings.CodeDivisor, 1);
  EXPECT_EQ(bench.capture.Bits(), 23);
  test().TXScaleChange(16);  // "24"
  EXPECT_EQ(bench.settings.CodeDivisor, 1);
  EXPECT_EQ(bench.settings.ScaleIndex, 15);
  EXPECT_EQ(test().ScaleItem(), 16);
  // Another resolution chosen in the analysis window replaces "24".
  bench.capture.TXScaleChange(4);
  EXPECT_EQ(test().ScaleItem(), 4);
}

TEST_F(SwitchTestFixture, ScaleItemBeforeAnyChoiceIsTheOneOfTheDivisorInUse) {
  EXPECT_EQ(bench.settings.ScaleIndex, -1);
  EXPECT_EQ(test().ScaleItem(), 15);  // divisor 1: "23"
  bench.settings.CodeDivisor = 256;
  EXPECT_EQ(test().ScaleItem(), 7);  // "15"
  bench.settings.CodeDivisor = 3;
  EXPECT_EQ(test().ScaleItem(), -1);
}

TEST_F(SwitchTestFixture, SetCapturesTheImageAfterTwoSecondsAndPortTwoGoesLow) {
  for (size_t i = 0; i < kChannelRegisters; ++i)
    bench.access.SetRegImage(kChannelRegisterAddresses[i], static_cast<uint8_t>(0xA0 + i));
  const double start = clock.NowMs();
  test().SetChannel(6);
  EXPECT_GE(clock.NowMs() - start, 2000.0);
  EXPECT_EQ(test().records[6].RegValue[10], 0xAA);

  target.mem[0x75] = 0x01;
  target.mem[0x74] = 0xFF;
  EXPECT_TRUE(test().PT2OUTLOW());
  EXPECT_EQ(target.mem[0x75], 0x09);
  EXPECT_EQ(target.mem[0x74], 0xF7);
}

TEST_F(SwitchTestFixture, LoadConfigCreatesAMissingFileAndReportsABadLine) {
  test::TempDir dir("qx_step_load");
  const auto path = dir.Path() / StepFile::kFileName;
  Enable({0, 1});
  test().records[1].RegValue[3] = 0x5A;
  EXPECT_TRUE(test().LoadConfig(path).complete);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(test().Enabled(1));
  EXPECT_EQ(test().records[1].RegValue[3], 0x5A);

  std::ofstream(path, std::ios::binary) << "   1   9\r\n   0   0   1   0   0   0   0   0\r\n";
  const auto r = test().LoadConfig(path);
  EXPECT_EQ(r.badLine, 1);
  EXPECT_EQ(host.status[2], r.message);
  EXPECT_FALSE(test().Enabled(0));
  EXPECT_TRUE(test().Enabled(2));
  EXPECT_EQ(test().StepLen(), 4);  // the bad first line kept the list items
}

}  // namespace
}  // namespace qx::autotest

#include <vector>

#include "CaptureFixture.h"
#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseUnits.h"
#include "core/analysis/SlotDecoder.h"

namespace qx::analysis::test {
namespace {

constexpr int kScale23Bits = 15;  // D = 1
constexpr int kScale16Bits = 8;   // D = 128
constexpr uint32_t kSettle = 0x555555;

class StreamedCodesTest : public CaptureFixture {
 protected:
  std::vector<int32_t> Streamed() const {
    const auto codes = capture.StreamedCodes();
    return {codes.begin(), codes.end()};
  }
};

// The streamed code is the 24-bit result sign-extended, whatever the width flags then do to the
// working value and the display code.
TEST_F(StreamedCodesTest, HalvingCaptureKeepsTheFullCodes) {
  capture.NPointIndexChange(0);  // 64 samples
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> stream{0x800000, 0xFFFFFF, 0x7FFFFF, 0x000003, 0x123456, 0xFEDCBA};
  stream.resize(64, 0x000010);
  Queue(stream, kSettle);
  capture.halving = true;
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeInterrupt));
  const std::vector<int32_t> codes = Streamed();
  ASSERT_EQ(codes.size(), 64u);
  EXPECT_EQ(codes[0], -8388608);
  EXPECT_EQ(codes[1], -1);
  EXPECT_EQ(codes[2], 8388607);
  EXPECT_EQ(codes[3], 3);
  EXPECT_EQ(codes[4], 0x123456);
  EXPECT_EQ(codes[5], 0xFEDCBA - 0x1000000);
  EXPECT_EQ(codes[63], 16);
  // At 23 bits the display code is the streamed code halved towards minus infinity.
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(capture.Captured(i), codes[static_cast<size_t>(i)] >> 1) << i;
    EXPECT_EQ(capture.Cells().Text(i), std::to_string(codes[static_cast<size_t>(i)] >> 1)) << i;
  }
}

TEST_F(StreamedCodesTest, WidthFlagsAndModesLeaveTheStreamedCodeAlone) {
  capture.NPointIndexChange(0);
  capture.TXScaleChange(kScale16Bits);
  std::vector<uint32_t> stream{0x7FFFFF, 0x800000, 0xFFFFFD};
  stream.resize(64, 0);
  Queue(stream, kSettle);
  capture.fullWidth = true;  // no halving of positive values, plain sign extension
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(Streamed()[0], 8388607);
  EXPECT_EQ(Streamed()[1], -8388608);
  EXPECT_EQ(Streamed()[2], -3);
  EXPECT_EQ(capture.Captured(0), 8388607);
  EXPECT_EQ(capture.Captured(2), -3);
  EXPECT_EQ(capture.Cells().Text(0), "65535");  // 8388607 / 128

  // Mode 2 carries a 16-bit word in the two high bytes; it is kept as the bridge sent it.
  EXPECT_EQ(AdcCapture::StreamedCode(0xFF00AA, kModeTemperature), 0xFF00);
  EXPECT_EQ(AdcCapture::StreamedCode(0x12345F, kModeTemperature), 0x1234);
  EXPECT_EQ(AdcCapture::StreamedCode(0xFF800000, kModeAdc), -8388608) << "bits above 24 ignored";
}

TEST_F(StreamedCodesTest, ReaveragingAndAShorterCaptureShowOnlyTheLastCapture) {
  capture.NPointIndexChange(1);  // 128 samples
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> first;
  for (uint32_t i = 0; i < 128; ++i) first.push_back(0xFFFF00 + i);
  Queue(first, kSettle);
  capture.halving = true;
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeInterrupt));
  const std::vector<int32_t> before = Streamed();
  bench.settings.CMAVR = 2;  // M = 4
  capture.ReCalADC();
  EXPECT_EQ(capture.ReducedCount(), 32);
  EXPECT_EQ(Streamed(), before) << "re-averaging works on the working values only";
  EXPECT_EQ(Streamed()[0], -256);

  // A capture that stops early exports what arrived and nothing of the one before.
  capture.NPointIndexChange(0);
  Queue(std::vector<uint32_t>(10, 0x000100), kSettle);
  EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeInterrupt));
  EXPECT_EQ(Streamed(), std::vector<int32_t>(10, 256));
}

// The unit list converts the figures of a capture; the nanovolt one must be the capture's own.
TEST_F(StreamedCodesTest, NanovoltsOfTheUnitListAreTheFiguresOfTheCapture) {
  capture.NPointIndexChange(0);
  capture.TXScaleChange(kScale16Bits);
  bench.chip.PgaGain = {1, 2, 4, 8, 16, 32, 64, 128};
  bench.chip.AdcField("PGA") = {1, 3, 5, 3, true};  // gain 8
  std::vector<uint32_t> stream;
  for (uint32_t i = 0; i < 64; ++i) stream.push_back(0x010000 + (i * 2654435761u % 9000u));
  Queue(stream, kSettle);
  capture.halving = true;
  ASSERT_TRUE(capture.CatchACDCOM("3.3", kModeInterrupt));
  const NoiseFigures& f = bench.noise.groups[0];
  ASSERT_GT(f.rmsCodes, 0);
  const double gain = capture.GetGain();
  ASSERT_EQ(gain, 8);
  EXPECT_EQ(ConvertNoise(f.rmsCodes, NoiseUnit::Nanovolts, 16, 3.3, gain), f.rmsNv);
  EXPECT_EQ(ConvertNoise(f.vppCodes, NoiseUnit::Nanovolts, 16, 3.3, gain), f.vppNv);
  EXPECT_EQ(ConvertNoise(f.rmsCodes, NoiseUnit::Codes, 16, 3.3, gain), f.rmsCodes);
}

}  // namespace
}  // namespace qx::analysis::test

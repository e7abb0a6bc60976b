#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimInstruments.h"
#include "sim/SimMeter.h"

namespace qx::sim {
namespace {

using Bytes = std::vector<uint8_t>;
const Bytes kRequest(SimMeter::kRequest.begin(), SimMeter::kRequest.end());

Bytes Send(SimMeter& meter, const Bytes& in) {
  Bytes out;
  meter.Feed(in, out);
  return out;
}

/// Bytes 8..18 of a frame as text: sign, seven reading characters, filler, exponent sign, digit.
std::string ReadingText(const Bytes& frame) {
  return std::string(frame.begin() + 8, frame.begin() + 19);
}

/// The reading as the program decodes it: bytes 8-15 without spaces, times or divided by 10^e.
double Decode(const Bytes& frame) {
  std::string text;
  for (size_t i = 8; i <= 15; ++i) {
    if (frame[i] != ' ') text += static_cast<char>(frame[i]);
  }
  const double mantissa = std::stod(text);
  const int e = frame[18] - '0';
  return frame[17] == '+' ? mantissa * std::pow(10, e) : mantissa / std::pow(10, e);
}

TEST(Meter, AnswersARequestWithTheExactFrame) {
  SimMeter meter;
  meter.SetValue(1.23456);
  const Bytes expected = {0x10, 0x02, 0x00, 0x00, 0x06, 0x00, ' ', ' ', ' ', '1',  '.',
                          '2',  '3',  '4',  '5',  '6',  ' ',  '+', '0', ' ', 0x10, 0x03};
  EXPECT_EQ(Send(meter, kRequest), expected);
  EXPECT_EQ(meter.Requests(), 1u);
}

TEST(Meter, ReadingsSignsExponentsAndOverload) {
  const struct {
    double value;
    const char* text;  // bytes 8..18
  } cases[] = {
      {-0.5, "-5.00000 -1"},       {1234.5, " 1.23450 +3"},  {0.0, " 0.00000 +0"},
      {9.999996, " 1.00000 +1"},   {-2.5e-7, "-2.50000 -7"}, {1e-12, " 0.00000 +0"},
      {8.765432e9, " 8.76543 +9"}, {1e10, " OL      +0"},
  };
  SimMeter meter;
  for (const auto& c : cases) {
    meter.SetValue(c.value);
    const Bytes frame = Send(meter, kRequest);
    ASSERT_EQ(frame.size(), SimMeter::kFrameLength);
    EXPECT_EQ(ReadingText(frame), c.text) << c.value;
    if (frame[9] != 'O' && std::abs(c.value) >= 1e-9) {
      EXPECT_NEAR(Decode(frame), c.value, std::abs(c.value) * 5e-6) << c.value;
    }
  }
  meter.SetValue(3);
  meter.SetOverload(true);
  EXPECT_EQ(ReadingText(Send(meter, kRequest)), " OL      +0");
}

TEST(Meter, UnitFlagsGoInBytesFourAndFive) {
  SimMeter meter;
  meter.SetFlags(SimMeter::kOhms, 0);
  Bytes frame = Send(meter, kRequest);
  EXPECT_EQ(frame[4], 0x80);
  EXPECT_EQ(frame[5], 0x00);
  meter.SetFlags(SimMeter::kAc, SimMeter::kAmps);
  frame = Send(meter, kRequest);
  EXPECT_EQ(frame[4], 0x01);
  EXPECT_EQ(frame[5], 0x02);
}

TEST(Meter, RequestsInPiecesAmongNoise) {
  SimMeter meter;
  // Noise, and a near-request whose fourth byte is wrong, answer nothing.
  EXPECT_TRUE(Send(meter, {0x41, 0x10, 0x10, 0x02, 0x00, 0x01, 0x00, 0x00, 0x10, 0x03}).empty());
  EXPECT_TRUE(Send(meter, {0x10, 0x02, 0x00}).empty());
  EXPECT_EQ(Send(meter, {0x00, 0x00, 0x00, 0x10, 0x03}).size(), 22u);
  // Two requests in one write: two frames.
  Bytes twice = kRequest;
  twice.insert(twice.end(), kRequest.begin(), kRequest.end());
  EXPECT_EQ(Send(meter, twice).size(), 44u);
  EXPECT_EQ(meter.Requests(), 3u);
}

TEST(Meter, CanFollowTheChamber) {
  base::FakeClock clock;
  SimInstruments bench{clock};
  bench.MeterFollowsChamber(2);
  bench.Chamber().Thermal().SetCelsius(-12.5);
  const Bytes frame = Send(bench.Meter(2), kRequest);
  EXPECT_EQ(frame[4], SimMeter::kCelsius);
  EXPECT_EQ(ReadingText(frame), "-1.25000 +1");
}

}  // namespace
}  // namespace qx::sim

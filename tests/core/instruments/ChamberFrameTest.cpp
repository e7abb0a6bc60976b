#include "core/instruments/ChamberFrame.h"

#include <gtest/gtest.h>

#include "ScriptedPort.h"

namespace qx::instruments {
namespace {

using test::Bytes;
using test::ToBytes;

TEST(ChamberFrameTest, WriteFrameCarriesCountAddressAndHexWords) {
  const int16_t words[] = {250, 0};
  EXPECT_EQ(ChamberFrame::Write(0x0102, words),
            "\x02"
            "01WSD,02,0102,00FA,0000\r\n");
  // 23 characters between STX and CR LF: 26 bytes, as 5 * (count + 1) + 11 says.
  EXPECT_EQ(ChamberFrame::Write(0x0102, words).size(), 26u);

  const int16_t cold[] = {-400, 32767, -1, -32768};
  EXPECT_EQ(ChamberFrame::Write(0xABCD, cold),
            "\x02"
            "01WSD,04,ABCD,FE70,7FFF,FFFF,8000\r\n");
  EXPECT_EQ(ChamberFrame::Write(0x0200, {}),
            "\x02"
            "01WSD,00,0200\r\n");
  for (size_t count = 0; count <= 4; ++count) {
    const std::vector<int16_t> some(count, 7);
    EXPECT_EQ(ChamberFrame::Write(1, some).size(), 5 * (count + 1) + 11) << count;
  }
}

TEST(ChamberFrameTest, ReadFrameIsSixteenBytes) {
  EXPECT_EQ(ChamberFrame::Read(0x0001, 2),
            "\x02"
            "01RSD,02,0001\r\n");
  EXPECT_EQ(ChamberFrame::Read(0x0010, 1),
            "\x02"
            "01RSD,01,0010\r\n");
  EXPECT_EQ(ChamberFrame::Read(0xFFFF, 12),
            "\x02"
            "01RSD,12,FFFF\r\n");
  EXPECT_EQ(ChamberFrame::ReadReplyLength(2), 21u);
  EXPECT_EQ(ChamberFrame::ReadReplyLength(0), 11u);
}

TEST(ChamberFrameTest, AcknowledgementNeedsStxAndOk) {
  EXPECT_TRUE(
      ChamberFrame::IsOk(ToBytes("\x02"
                                 "01WSD,OK\r\n")));
  EXPECT_FALSE(
      ChamberFrame::IsOk(ToBytes("\x02"
                                 "01WSD,NG01\r\n")));
  EXPECT_FALSE(ChamberFrame::IsOk(ToBytes("x01WSD,OK\r\n")));
  EXPECT_FALSE(
      ChamberFrame::IsOk(ToBytes("\x02"
                                 "01WSD,O")));
  EXPECT_FALSE(ChamberFrame::IsOk({}));
}

TEST(ChamberFrameTest, DataWordsAreSignedHex) {
  const Bytes reply = ToBytes(
      "\x02"
      "01RSD,OK,FE70,00FA,8000,8001,fe70,0G10\r\n");
  EXPECT_EQ(ChamberFrame::DataWord(reply, 0), -400);
  EXPECT_EQ(ChamberFrame::DataWord(reply, 1), 250);
  EXPECT_EQ(ChamberFrame::DataWord(reply, 2), 32768);  // only words above 32768 are negative
  EXPECT_EQ(ChamberFrame::DataWord(reply, 3), -32767);
  EXPECT_EQ(ChamberFrame::DataWord(reply, 4), -400);
  EXPECT_EQ(ChamberFrame::DataWord(reply, 5), 0);  // a non-hex digit spoils the word
  EXPECT_EQ(ChamberFrame::DataWord(reply, 7), 0);  // past the end
  EXPECT_EQ(ChamberFrame::DataWord(ToBytes("\x02"
                                           "01RSD,OK,FE7"),
                                   0),
            0);
  EXPECT_EQ(ChamberFrame::DataWord(reply, static_cast<size_t>(-1)), 0);
}

}  // namespace
}  // namespace qx::instruments

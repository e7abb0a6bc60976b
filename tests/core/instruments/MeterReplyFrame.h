#pragma once

#include <cstring>

#include "ScriptedPort.h"
#include "core/instruments/MeterFrame.h"

namespace qx::instruments::test {

/// A 22-byte multimeter reply: DLE STX, flags at 4 and 5, the display text at 8 to 15, the
/// exponent sign and digit at 17 and 18, DLE ETX.
inline Bytes MeterReplyFrame(uint8_t flagA, uint8_t flagB, const char (&text)[9],
                             char expSign = '+', char expDigit = '0') {
  Bytes r(MeterFrame::kReplyLength, 0);
  r[0] = MeterFrame::kDle;
  r[1] = MeterFrame::kStx;
  r[4] = flagA;
  r[5] = flagB;
  std::memcpy(&r[8], text, 8);
  r[17] = static_cast<uint8_t>(expSign);
  r[18] = static_cast<uint8_t>(expDigit);
  r[20] = MeterFrame::kDle;
  r[21] = MeterFrame::kEtx;
  return r;
}

}  // namespace qx::instruments::test

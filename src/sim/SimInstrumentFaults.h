#pragma once

namespace qx::sim {

/// Faults of one simulated instrument's line. Each stays until it is cleared.
struct SimInstrumentFaults {
  bool silent = false;    ///< requests are taken but never answered
  bool garbled = false;   ///< every answer byte arrives corrupted (XOR kGarbleMask)
  double lateMs = 0;      ///< answers leave this many milliseconds after the request
  bool vanished = false;  ///< the port is gone: opening fails, an open port writes nothing

  static constexpr unsigned char kGarbleMask = 0x5A;
};

/// A fault of one answer of an instrument line: answer `answer` (from 1, counted since the line
/// was made) is corrupted, or leaves `lateMs` late.
struct SimAnswerFault {
  unsigned long answer = 0;
  bool garble = false;
  double lateMs = 0;
};

}  // namespace qx::sim

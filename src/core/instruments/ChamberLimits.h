#pragma once

#include <string>

namespace qx::instruments {

/// The set points the chamber is given: those a temperature run accepts in its table, and the
/// same for a set point sent by hand. 150 °C is the table's own top; the rest covers the
/// bench's chambers with room to spare.
struct ChamberLimits {
  static constexpr double kMinCelsius = -100;
  static constexpr double kMaxCelsius = 150;
  static constexpr double kMinHumidity = 0;  ///< percent
  static constexpr double kMaxHumidity = 100;
  static constexpr double kMaxRate = 100;  ///< degrees or percent per minute

  /// Why `value` cannot go to the chamber as the quantity of temperature-table column `column`
  /// (1 temperature in °C, 2 humidity in %, 3 and 4 their ramp rates per minute): the quantity,
  /// the value and the range. Empty when it can.
  static std::string Refusal(int column, double value);
};

}  // namespace qx::instruments

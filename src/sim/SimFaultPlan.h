#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qx::sim {

/// One fault of the simulated USB bridge, armed when the bridge receives request `at`
/// (counted from 1 since the board was made).
struct SimFault {
  enum class Kind {
    Drop,     ///< "drop": the request is executed, its reply is lost (the read times out)
    Corrupt,  ///< "corrupt": the reply arrives with every byte inverted
    Late,     ///< "late:MS": the reply comes MS ms late; from 1000 ms on the read fails
    Fail,     ///< "fail": the transfer itself fails
    Unplug,   ///< "unplug" or "unplug:MS": the bridge leaves the bus (back after MS ms)
    /// "garble-LINE@N": answer N of an instrument line arrives corrupted
    Garble,
    /// "slow-LINE:MS@N": answer N of an instrument line leaves MS ms late
    Slow,
  };
  SimFault() = default;
  SimFault(Kind k, unsigned long n, double delayMs = 0, std::string onLine = {})
      : kind(k), at(n), ms(delayMs), line(std::move(onLine)) {}

  Kind kind = Kind::Drop;
  /// Bridge faults: the request number. Instrument faults: the answer number on their line.
  unsigned long at = 0;
  double ms = 0;     ///< the delay of Late and Slow; the time off the bus of Unplug, 0 for good
  std::string line;  ///< instrument faults: "chamber", "fluke" or "power"; empty for the bridge

  bool ForBridge() const { return line.empty(); }

  bool operator==(const SimFault&) const = default;
};

/// The fault setting of --sim-fault and QX_SIM_FAULT: faults separated by commas, each
/// `KIND[:MS]@N`, e.g. "drop@40,late:1500@400,unplug:3000@900,garble-chamber@12".
class SimFaultPlan {
 public:
  /// The faults of `text`, in the order given; nothing, with the reason in `error`, for text
  /// that is not a fault setting.
  static std::optional<std::vector<SimFault>> Parse(const std::string& text, std::string& error);
  /// One line per fault kind, for the usage texts.
  static const char* Help();
};

}  // namespace qx::sim

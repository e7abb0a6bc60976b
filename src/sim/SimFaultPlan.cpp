#include "sim/SimFaultPlan.h"

#include <charconv>

namespace qx::sim {

namespace {

// Request numbers and times are whole decimal numbers; a day is more than any test runs.
constexpr unsigned long kMaxRequest = 1'000'000'000;
constexpr unsigned long kMaxMs = 86'400'000;

std::optional<unsigned long> Whole(const std::string& text, unsigned long lo, unsigned long hi) {
  unsigned long v = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || ptr != end || v < lo || v > hi) return std::nullopt;
  return v;
}

struct KindName {
  const char* name;
  SimFault::Kind kind;
  bool takesMs;
  bool needsMs;
};

constexpr KindName kKinds[] = {
    {"drop", SimFault::Kind::Drop, false, false},
    {"corrupt", SimFault::Kind::Corrupt, false, false},
    {"late", SimFault::Kind::Late, true, true},
    {"fail", SimFault::Kind::Fail, false, false},
    {"unplug", SimFault::Kind::Unplug, true, false},
    {"garble", SimFault::Kind::Garble, false, false},
    {"slow", SimFault::Kind::Slow, true, true},
};

constexpr const char* kLines[] = {"chamber", "fluke", "power"};

bool OnALine(SimFault::Kind k) {
  return k == SimFault::Kind::Garble || k == SimFault::Kind::Slow;
}

}  // namespace

std::optional<std::vector<SimFault>> SimFaultPlan::Parse(const std::string& text,
                                                         std::string& error) {
  std::vector<SimFault> faults;
  if (text.empty()) {
    error = "empty fault setting";
    return std::nullopt;
  }
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    const std::string item = text.substr(from, comma == std::string::npos ? comma : comma - from);
    auto fail = [&](const std::string& why) {
      error = "fault \"" + item + "\": " + why;
      return std::nullopt;
    };
    const size_t at = item.find('@');
    if (at == std::string::npos) return fail("needs @N, the request it hits");
    const auto request = Whole(item.substr(at + 1), 1, kMaxRequest);
    if (!request)
      return fail("the request after @ must be a whole number from 1 to " +
                  std::to_string(kMaxRequest));
    const std::string head = item.substr(0, at);
    const size_t colon = head.find(':');
    std::string name = head.substr(0, colon);
    std::string line;
    if (const size_t dash = name.find('-'); dash != std::string::npos) {
      line = name.substr(dash + 1);
      name.resize(dash);
    }
    const KindName* kind = nullptr;
    for (const KindName& k : kKinds)
      if (name == k.name) kind = &k;
    if (!kind)
      return fail(
          "unknown kind (drop, corrupt, late:MS, fail, unplug[:MS], garble-LINE, slow-LINE:MS)");
    if (OnALine(kind->kind)) {
      bool known = false;
      for (const char* l : kLines) known = known || line == l;
      if (!known) return fail(name + " needs its line: -chamber, -fluke or -power");
    } else if (!line.empty()) {
      return fail(name + " is a fault of the bridge, on no instrument line");
    }
    SimFault f{kind->kind, *request, 0, line};
    if (colon != std::string::npos) {
      if (!kind->takesMs) return fail(name + " takes no time");
      const auto ms = Whole(head.substr(colon + 1), 1, kMaxMs);
      if (!ms)
        return fail("the time after : must be whole milliseconds from 1 to " +
                    std::to_string(kMaxMs));
      f.ms = static_cast<double>(*ms);
    } else if (kind->needsMs) {
      return fail(name + " needs :MS, the delay in milliseconds");
    }
    faults.push_back(f);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return faults;
}

const char* SimFaultPlan::Help() {
  return "  drop@N          the reply to request N is lost\n"
         "  corrupt@N       the reply to request N arrives with every byte inverted\n"
         "  late:MS@N       the reply to request N comes MS ms late (1000 or more: lost)\n"
         "  fail@N          transfer N fails\n"
         "  unplug@N        the bridge leaves the bus at request N\n"
         "  unplug:MS@N     ... and comes back MS ms later\n"
         "  garble-LINE@N   answer N of LINE (chamber, fluke, power) arrives corrupted\n"
         "  slow-LINE:MS@N  answer N of LINE leaves MS ms late\n";
}

}  // namespace qx::sim

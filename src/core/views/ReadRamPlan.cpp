#include "core/views/ReadRamPlan.h"

#include <initializer_list>

namespace qx::views {

namespace {
constexpr uint16_t kMaxRead = 255;

bool Present(const chip::AddressRange& r) {
  return r.first < r.last;
}

void Add(std::vector<RamBlock>& plan, std::initializer_list<RamBlock> blocks) {
  plan.insert(plan.end(), blocks);
}

// A range read in two halves, the first one rounded down; a half longer than one read can carry
// goes in pieces so no byte of a long range is skipped.
void AddHalves(std::vector<RamBlock>& plan, const chip::AddressRange& r) {
  const int n = r.last - r.first + 1;
  const int h = n / 2;
  auto piece = [&plan](int from, int count) {
    while (count > 0) {
      const int c = count > kMaxRead ? kMaxRead : count;
      plan.push_back({static_cast<uint16_t>(from), static_cast<uint16_t>(c)});
      from += c;
      count -= c;
    }
  };
  piece(r.first, h);
  piece(r.first + h, n - h);
}
}  // namespace

std::vector<RamBlock> ReadRamPlan::For(uint16_t linkKind, const chip::ChipModel& chip) {
  std::vector<RamBlock> plan;
  const auto& bank = chip.RamBank;
  if (linkKind == 0) {
    Add(plan, {{0, 26}, {28, 100}, {128, 128}});
    for (const chip::AddressRange* r : {&bank[1], &bank[2], &chip.Reg1Range, &bank[3], &bank[4]}) {
      if (Present(*r)) AddHalves(plan, *r);
    }
    return plan;
  }
  if (linkKind == 4) {
    Add(plan, {{0, 26}, {28, 36}, {64, 48}, {112, 48}, {160, 48}, {208, 48}});
    if (Present(bank[1])) Add(plan, {{256, 48}, {304, 48}, {352, 32}});
    if (Present(chip.Reg1Range)) Add(plan, {{384, 48}, {432, 48}, {480, 32}});
    if (Present(bank[2])) Add(plan, {{512, 56}, {568, 56}, {624, 56}, {680, 56}, {736, 32}});
    if (Present(bank[3])) Add(plan, {{768, 56}, {824, 56}, {880, 56}, {936, 56}, {992, 32}});
    if (Present(bank[4])) Add(plan, {{1024, 56}, {1080, 56}, {1136, 56}, {1192, 56}, {1248, 32}});
    return plan;
  }
  Add(plan, {{0, 26}, {28, 36}, {64, 64}, {128, 64}, {192, 64}});
  if (Present(bank[1])) Add(plan, {{256, 64}, {320, 64}});
  if (Present(chip.Reg1Range)) Add(plan, {{384, 64}, {448, 64}});
  if (Present(bank[2])) Add(plan, {{512, 64}, {576, 64}, {640, 64}, {704, 64}});
  if (Present(bank[3])) Add(plan, {{768, 64}, {832, 64}, {896, 64}, {960, 64}});
  if (Present(bank[4])) Add(plan, {{1024, 64}, {1088, 64}, {1152, 64}, {1216, 64}});
  return plan;
}

}  // namespace qx::views

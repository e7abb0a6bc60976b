#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/base/RecordingHost.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "core/views/TargetPort.h"

namespace qx::views::test {

/// An image with a recorded write path: writes land in the image as a perfect read-back would.
class FakePort final : public TargetPort {
 public:
  uint8_t Get(int a) const override {
    return a >= 0 && a < 1024 ? image[static_cast<size_t>(a)] : 0;
  }
  void Write(uint16_t a, uint8_t v) override {
    writes.emplace_back(a, v);
    if (a < 1024) image[a] = v;
  }
  void Store(int a, uint8_t v) override {
    ++stores;
    if (a >= 0 && a < 1024) image[static_cast<size_t>(a)] = v;
  }
  std::array<uint8_t, 1024> image{};
  std::vector<std::pair<int, int>> writes;
  int stores = 0;
};

/// The chip files shipped with the program.
inline std::string ShippedChips() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / ".." / "INCLUDE")
      .lexically_normal()
      .string();
}

/// Index of the sample chip with RAM banks, four bit pages, byte and word registers.
inline constexpr uint16_t kBankedChip = 1;

inline void LoadChip(chip::ChipModel& model, uint16_t index) {
  chip::FileTextSource files;
  base::RecordingHost host;
  chip::ChipLoader loader(model, files, host, ShippedChips());
  chip::LoadRequest request;
  request.chipIndex = index;
  const auto result = loader.GetSELUP(request);
  if (!result.Ok()) throw std::runtime_error(result.error);
}

}  // namespace qx::views::test

#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "support/FakeBridge.h"

namespace qx::panels::test {

using qx::test::Bytes;

/// A workbench over a fake bridge that behaves like a target: the five ADC registers on link
/// kind 5 and data memory on link kind 1, so register writes read back what was written.
class PanelBench : public ::testing::Test {
 protected:
  static constexpr uint16_t kQx7401 = 0;
  static constexpr uint16_t kQx7T404 = 2;
  static constexpr uint16_t kQx7R402 = 3;

  void SetUp() override {
    bridge.respond = [this](const Bytes& r) { return Answer(r); };
    hid.AttachBridge(bridge);
    ASSERT_TRUE(bench.usb.UsbOpen(bench.target.Usb));
    bridge.requests.clear();
  }

  void LoadChip(uint16_t index) {
    const std::string folder =
        (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / ".." / "INCLUDE")
            .lexically_normal()
            .string() +
        "/";
    chip::ChipLoader loader(bench.chip, files, host, folder);
    chip::LoadRequest request;
    request.chipIndex = index;
    ASSERT_TRUE(loader.GetSELUP(request).Ok());
    bench.target.LinkKind = index == kQx7401 ? link::kLinkQx740x : link::kLinkSpi;
  }

  /// Puts a byte in the target and in the register image, as a read of the views would.
  void Preset(uint16_t address, uint8_t value) {
    if (address < registers.size()) registers[address] = value;
    memory[address] = value;
    bench.access.SetRegImage(address, value);
  }

  Bytes Answer(const Bytes& r) {
    if (r[0] == 0xF9 || r[0] == 0xC5 || r[0] == 0xB5) return bridge.DefaultReply(r);
    Bytes out(64, 0);
    if (r[0] == 0xC4 && r[1] == 0x00 && r[2] == 0xA0) {
      for (size_t i = 0; i < r[4] && r[3] + i < registers.size(); ++i)
        registers[r[3] + i] = r[7 + i];
      out[0] = 0xFA;
    } else if (r[0] == 0xC4 && r[1] == 0x01 && r[2] == 0xA0) {
      out[0] = 0xFA;
      if (r[3] == 5) {
        std::copy(conversion.begin(), conversion.end(), out.begin() + 1);
      } else if (r[3] == 6) {
        out[1] = word[0];
        out[2] = word[1];
      } else {
        for (size_t i = 0; i < r[4] && r[3] + i < registers.size(); ++i)
          out[1 + i] = registers[r[3] + i];
      }
    } else if ((r[0] == 0xBC || r[0] == 0xB1) && r[1] == 0x40) {
      const size_t at = static_cast<size_t>(r[2] | r[3] << 8);
      for (size_t i = 0; i < r[4]; ++i) memory[(at + i) % memory.size()] = r[5 + i];
    } else if ((r[0] == 0xBC || r[0] == 0xB1) && r[1] == 0xC0) {
      const size_t at = static_cast<size_t>(r[2] | r[3] << 8);
      for (size_t i = 0; i < r[4]; ++i) out[i] = memory[(at + i) % memory.size()];
    } else {
      out[0] = 0xFA;
    }
    return out;
  }

  /// Register writes sent since the last clear: link kind 5 {address, byte}, link kind 1
  /// {address low, byte}.
  std::vector<std::array<uint8_t, 2>> Writes() const {
    std::vector<std::array<uint8_t, 2>> out;
    for (const Bytes& r : bridge.requests) {
      if (r[0] == 0xC4 && r[1] == 0x00 && r[2] == 0xA0) out.push_back({r[3], r[7]});
      if ((r[0] == 0xBC || r[0] == 0xB1) && r[1] == 0x40) out.push_back({r[2], r[5]});
    }
    return out;
  }

  base::FakeClock clock;
  base::RecordingHost host;
  qx::test::FakeBridge bridge;
  qx::test::FakeHid hid;
  qx::test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  chip::FileTextSource files;
  std::array<uint8_t, 5> registers{};
  std::array<uint8_t, 1024> memory{};
  std::array<uint8_t, 3> conversion{};
  std::array<uint8_t, 2> word{};
};

}  // namespace qx::panels::test

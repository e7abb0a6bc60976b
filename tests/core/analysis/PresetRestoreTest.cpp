#include "core/analysis/PresetRestore.h"

#include "CaptureFixture.h"

namespace qx::analysis::test {
namespace {

using qx::test::Bytes;

class PresetRestoreTest : public CaptureFixture {
 protected:
  void Run(int comFun) {
    bench.target.LinkKind = link::kLinkSpi;
    bench.settings.ScalePreset = {1, 2, 3, 4, 5, 6};
    bench.settings.DmmPreset = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    bench.settings.ComFun = comFun;
    bridge.requests.clear();
    PresetRestore(bench.access, bench.target, bench.frame, bench.settings, host).ComFunChange();
  }
  std::vector<Bytes> Writes() const {
    std::vector<Bytes> w;
    for (const Bytes& r : bridge.requests)
      if (r[1] == 0x40) w.push_back(r);
    return w;
  }
};

TEST_F(PresetRestoreTest, DmmWritesTheDmmPresetOnly) {
  Run(1);
  const auto w = Writes();
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0], (Bytes{0xBC, 0x40, 60, 0, 5, 0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(w[1], (Bytes{0xBC, 0x40, 48, 0, 1, 0x66}));
}

TEST_F(PresetRestoreTest, ScaleWritesTheScalePresetAndReadsBack) {
  bridge.respond = [](const Bytes& r) {
    Bytes out(64, 0);
    if (r[1] == 0xC0) {
      for (uint8_t i = 0; i < r[4]; ++i) out[i] = static_cast<uint8_t>(0xA0 + r[2] + i);
    }
    return out;
  };
  Run(0);
  const auto w = Writes();
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0], (Bytes{0xBC, 0x40, 60, 0, 5, 1, 2, 3, 4, 5}));
  EXPECT_EQ(bench.access.GetRegImage(60), 0xA0 + 60);
  EXPECT_EQ(bench.access.GetRegImage(64), 0xA0 + 64);
  EXPECT_EQ(bench.access.GetRegImage(48), 0xA0 + 48);
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{60, 61, 62, 63, 64, 48}));
}

TEST_F(PresetRestoreTest, AnyOtherFunctionWritesNothing) {
  Run(2);
  EXPECT_TRUE(Writes().empty());
  EXPECT_FALSE(bridge.requests.empty()) << "the registers are still read back";
}

}  // namespace
}  // namespace qx::analysis::test

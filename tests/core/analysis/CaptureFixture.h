#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace qx::analysis::test {

/// A host whose message pump can act in the middle of a capture (a second click, a check).
class PumpHost : public base::RecordingHost {
 public:
  void PumpEvents() override {
    ++pumps;
    if (onPump) onPump();
  }
  std::function<void()> onPump;
  int pumps = 0;
};

/// The workbench on a fake bulk bridge of link kind 5 whose stream hands out scripted slots,
/// at most `perPoll` per poll.
class CaptureFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    bulk.bridge = &bridge;
    bench.target.LinkKind = link::kLinkQx740x;
    ASSERT_TRUE(bench.usb.UsbOpen(bench.target.Usb));
    bridge.requests.clear();
    bridge.respond = [this](const qx::test::Bytes& r) {
      if (r.size() >= 2 && r[0] == 0xC4 && r[1] == 0x04) return Poll();
      return bridge.DefaultReply(r);
    };
  }

  qx::test::Bytes Poll() {
    qx::test::Bytes out(64, 0);
    size_t k = 0;
    while (k < static_cast<size_t>(perPoll) && !slots.empty()) {
      const uint32_t s = slots.front();
      slots.pop_front();
      out[1 + 3 * k] = static_cast<uint8_t>(s >> 16);
      out[2 + 3 * k] = static_cast<uint8_t>(s >> 8);
      out[3 + 3 * k] = static_cast<uint8_t>(s);
      ++k;
    }
    out[0] = static_cast<uint8_t>(k);
    return out;
  }

  /// Queues 13 settling slots of `settle`, then `values`.
  void Queue(const std::vector<uint32_t>& values, uint32_t settle = 0) {
    for (int i = 0; i < AdcCapture::kSettlingSlots; ++i) slots.push_back(settle);
    for (uint32_t v : values) slots.push_back(v);
  }

  base::FakeClock clock;
  PumpHost host;
  qx::test::FakeBridge bridge;
  qx::test::FakeHid hid;
  qx::test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  AdcCapture& capture = bench.capture;
  std::deque<uint32_t> slots;
  int perPoll = 21;
};

}  // namespace qx::analysis::test

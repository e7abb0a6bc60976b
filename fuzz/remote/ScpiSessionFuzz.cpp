// libFuzzer target: arbitrary bytes from a SCPI client, fed in pieces to a session over the
// bench's commands on a fake bridge, with an operation that the "event loop" ends between pieces.
// Nothing may crash or hang, the error queue stays bounded, and afterwards the session still
// answers *IDN?.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/app/RemoteBench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiSession.h"
#include "support/FakeBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  if (size == 0) return 0;
  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  hid.AttachBridge(bridge);
  app::Workbench bench{clock, host, hid, bulk};
  bench.target.LinkKind = link::kLinkQx740x;
  app::RemoteBench device{bench};
  remote::ScpiCommandTree tree;
  device.AddCommands(tree);
  std::vector<uint64_t> running;
  tree.Add("TEST:SLOW[:QUERy]?", [&](remote::ScpiCall& c) { running.push_back(c.Defer()); });
  tree.Add("TEST:SLOW", [&](remote::ScpiCall& c) { running.push_back(c.Defer()); });
  remote::ScpiSession session{tree, device};

  fuzz::Pieces pieces(data[0], 97);
  size_t at = 1;
  bool fail = false;
  while (at < size) {
    const size_t n = std::min(size - at, pieces.Next() + 1);
    session.Feed(std::string(reinterpret_cast<const char*>(data + at), n));
    at += n;
    // Every other piece the event loop ends what runs, alternately with a reply and an error.
    if (pieces.Next() % 2 == 0) {
      for (const uint64_t id : running)
        fail ? session.Fail(id, 300, "test") : session.Complete(id, "7");
      running.clear();
      fail = !fail;
    }
    if (session.Status().Count() > remote::ScpiStatus::kQueueLength) std::abort();
  }
  session.DeviceClear();
  if (session.Feed("*IDN?\n").empty()) std::abort();
  return 0;
}

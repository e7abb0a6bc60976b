// libFuzzer target: several SCPI clients at once on one server over the bench's commands on a
// fake bridge. The input decides which client sends what, which reads how much of its replies,
// which goes away, and when the "event loop" ends the slow operations. Nothing may crash or
// hang; the lock is held by an open connection or by none; no connection keeps more unsent
// output than the bound; and a new client is still answered at the end.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/app/RemoteBench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiServer.h"
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
  remote::ScpiServer server{device};
  device.AddCommands(server.Commands());
  std::vector<remote::ScpiOperation> running;
  server.Commands().Add("TEST:SLOW?",
                        [&](remote::ScpiCall& c) { running.push_back(server.Defer(c)); });
  server.Commands().AddChange("TEST:SLOW",
                              [&](remote::ScpiCall& c) { running.push_back(server.Defer(c)); });

  std::array<std::optional<uint64_t>, 4> clients;
  auto client = [&](size_t slot) -> std::optional<uint64_t> {
    if (!clients[slot] || !server.IsOpen(*clients[slot])) clients[slot] = server.Open();
    return clients[slot];
  };
  fuzz::Pieces pieces(data[0], 97);
  size_t at = 1;
  bool fail = false;
  while (at < size) {
    const uint8_t op = data[at++];
    const size_t slot = op & 3;
    switch (op >> 5) {
      case 0:  // the client goes away
        if (clients[slot]) server.Close(*clients[slot]);
        clients[slot].reset();
        break;
      case 1:  // the event loop ends what runs
        for (const remote::ScpiOperation& o : running)
          fail ? server.Fail(o, 300, "test") : server.Complete(o, "7");
        running.clear();
        fail = !fail;
        break;
      case 2:  // the client reads some of its replies
        if (const auto id = client(slot)) server.Sent(*id, pieces.Next() * 64);
        break;
      default: {  // the client sends
        const size_t n = std::min(size - at, pieces.Next() + 1);
        if (const auto id = client(slot))
          server.Receive(*id, std::string(reinterpret_cast<const char*>(data + at), n));
        at += n;
      }
    }
    server.TakeDropped();
    if (const auto holder = server.LockHolder(); holder && !server.IsOpen(*holder)) std::abort();
    for (const auto& id : clients)
      if (id && server.Unsent(*id).size() > remote::ScpiServer::kMaxUnsent) std::abort();
    if (server.Connections() > remote::ScpiServer::kMaxConnections) std::abort();
  }
  for (const auto& id : clients)
    if (id) server.Close(*id);
  const auto last = server.Open();
  if (!last) std::abort();
  server.Receive(*last, "*IDN?\n");
  if (server.Unsent(*last).empty()) std::abort();
  return 0;
}

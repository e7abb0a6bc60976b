#include "cli/ServeCommand.h"

#include <string>

#include "cli/LinkCommands.h"
#include "core/app/RemoteBench.h"
#include "core/remote/ScpiAddress.h"
#include "core/remote/ScpiServer.h"
#include "platform/PosixScpiTransport.h"

namespace qx::cli {

namespace {

constexpr char kDefaultListen[] = "127.0.0.1:5025";

}  // namespace

int RunServeCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                    std::ostream& err) {
  // Appended piece by piece: GCC 12 at -O3 takes `" " + string + "\n"` for an overlapping copy.
  std::string hint(1, ' ');
  hint.append(HelpHint("serve")).push_back('\n');
  if (!options.args.empty()) {
    err << "qxctl: serve takes no arguments: " << options.args.front() << hint;
    return kExitUsage;
  }
  for (const auto& [name, value] : options.extra) {
    if (name != "--listen" && name != "--allow") {
      err << "qxctl: serve: unknown option " << name << hint;
      return kExitUsage;
    }
  }
  std::string error;
  const auto listen = options.extra.find("--listen");
  const auto at =
      remote::ParseEndpoint(listen == options.extra.end() ? kDefaultListen : listen->second, error);
  if (!at) {
    err << "qxctl: serve: --listen: " << error << hint;
    return kExitUsage;
  }
  std::vector<remote::Ipv4Net> allow;
  if (const auto a = options.extra.find("--allow"); a != options.extra.end()) {
    const auto nets = remote::ParseAllowList(a->second, error);
    if (!nets) {
      err << "qxctl: serve: --allow: " << error << hint;
      return kExitUsage;
    }
    allow = *nets;
  }

  app::RemoteBench bench(session.Bench());
  remote::ScpiServer server(bench);
  bench.AddCommands(server.Commands());
  bench.Serve(server);
  platform::PosixScpiTransport transport(server, err);
  transport.Allow(allow);
  if (!transport.Listen(*at, error)) {
    err << "qxctl: serve: " << error << "\n";
    return kExitLinkFailed;
  }
  const remote::Ipv4Endpoint local = transport.Local();
  std::string where = remote::FormatIpv4(local.address);
  where.append(1, ':').append(std::to_string(local.port));
  if (local.address != remote::kLoopback)
    err << "qxctl: serve: listening on " << where
        << ", beyond this computer: every client that reaches it controls the bench\n";
  transport.StopOnSignals();
  out << "listening on " << where << std::endl;
  // A capture a client asked for runs when the wait ends; without one the wait lasts until a
  // client or a signal. While it runs, the other clients wait for its end.
  if (!transport.Run([&bench] { return bench.HasPending() ? 0 : -1; },
                     [&bench] { bench.RunPending(); }, error)) {
    err << "qxctl: serve: " << error << "\n";
    return kExitLinkFailed;
  }
  err << "qxctl: serve: stopped\n";
  return kExitOk;
}

}  // namespace qx::cli

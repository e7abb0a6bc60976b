#include "cli/ServeCommand.h"

#include <string>

#include "cli/LinkCommands.h"
#include "cli/TempCommands.h"
#include "core/app/RemoteBench.h"
#include "core/chip/SetupChipLoad.h"
#include "core/remote/ScpiAddress.h"
#include "core/remote/ScpiServer.h"
#include "platform/PosixScpiTransport.h"
#include "sim/SimBoard.h"

namespace qx::cli {

namespace {

constexpr char kDefaultListen[] = "127.0.0.1:5025";

/// A client's temperature run, as `qxctl temp-test` would run it with the same folder and
/// bench, logged on the server's stderr.
class ServeTempRuns : public app::TempRunStarter {
 public:
  ServeTempRuns(CliSession& session, const CliOptions& serve, std::ostream& log)
      : session_(session), options_(serve), log_(log) {
    options_.command = "temp-test";
    options_.args.clear();
    options_.extra.clear();
  }
  std::string RunTemperature(bool withChamber, Unfinished unfinished) override {
    CliOptions run = options_;
    run.extra[withChamber ? "--chamber" : "--no-chamber"] = "";
    if (unfinished == Unfinished::Resume) run.extra["--resume"] = "";
    if (unfinished == Unfinished::New) run.extra["--new"] = "";
    // The captures of the run take the SENSe:ADC point count and resolution a client chose.
    app::Workbench& bench = session_.Bench();
    if (bench.settings.NPointIndex >= 0)
      run.extra["--samples"] = std::to_string(64L << bench.settings.NPointIndex);
    if (bench.settings.ScaleIndex >= 0) run.extra["--bits"] = std::to_string(bench.capture.Bits());
    return RunTemperatureForClient(session_, run, log_);
  }

 private:
  CliSession& session_;
  CliOptions options_;
  std::ostream& log_;
};

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
  bench.SetChipFolder(chip::SetupChipLoad::FolderOf(ProgramDirOf(options.dir)), [&session] {
    if (sim::SimBoard* board = session.Board()) board->ApplyChipGains(session.Bench().chip);
  });
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
  ServeTempRuns tempRuns(session, options, err);
  bench.SetTempRunStarter(&tempRuns);
  // A capture or temperature run a client asked for runs when the wait ends; without one the
  // wait lasts until a client or a signal. While it runs, its event pump serves the clients;
  // a stop signal ends it first.
  session.Host().pump = [&transport, &bench] {
    if (!transport.ServeNow()) bench.StopLongWork();
  };
  const bool served = transport.Run([&bench] { return bench.HasPending() ? 0 : -1; },
                                    [&bench] { bench.RunPending(); }, error);
  session.Host().pump = nullptr;
  if (!served) {
    err << "qxctl: serve: " << error << "\n";
    return kExitLinkFailed;
  }
  err << "qxctl: serve: stopped\n";
  return kExitOk;
}

}  // namespace qx::cli

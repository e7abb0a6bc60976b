#include "core/app/RemoteTempRun.h"

#include <algorithm>
#include <cmath>

#include "core/remote/ScpiCall.h"

namespace qx::app {

namespace {

std::string Whole(double v) {
  return std::to_string(std::lround(std::max(v, 0.0)));
}

}  // namespace

std::string RemoteTempRun::StateText(bool running, const autotest::TempProgress& p, double nowMs) {
  if (!running) return "IDLE";
  const bool waiting = p.linkWaitEndMs > 0;
  std::string text = waiting ? "WAITING," : "RUNNING,";
  text.append(std::to_string(p.point)).push_back(',');
  text.append(std::to_string(p.heading ? 0 : p.mode)).push_back(',');
  text.append(Whole(waiting ? (p.linkWaitEndMs - nowMs) / 1000 : p.remainingS));
  return text;
}

void RemoteTempRun::AddCommands(remote::ScpiCommandTree& tree,
                                const std::function<bool(remote::ScpiCall&)>& idle) {
  using remote::ScpiCall;
  tree.AddChange("TEST:TEMPerature:STARt", [this, idle](ScpiCall& c) {
    if (!c.Count(0, 2)) return;
    bool withChamber = true;
    auto unfinished = TempRunStarter::Unfinished::Refuse;
    for (size_t i = 0; i < c.Params().size(); ++i) {
      const std::string& word = c.Params()[i].text;
      if (i == 0 && remote::MnemonicMatches("CHAMber", word))
        withChamber = true;
      else if (i == 0 && remote::MnemonicMatches("NOCHamber", word))
        withChamber = false;
      else if (i == 1 && remote::MnemonicMatches("RESume", word))
        unfinished = TempRunStarter::Unfinished::Resume;
      else if (i == 1 && remote::MnemonicMatches("NEW", word))
        unfinished = TempRunStarter::Unfinished::New;
      else
        return c.Fail(remote::error::kIllegalParameterValue,
                      i == 0 ? "CHAMber or NOCHamber" : "RESume or NEW");
    }
    if (!server_ || !starter_)
      return c.Fail(remote::error::kExecution, "this program runs no temperature test remotely");
    if (!idle(c)) return;
    pending_ = Request{server_->Defer(c), withChamber, unfinished};
  });
  // Any client may stop the run, as the window's Stop button: the chamber is told to stop.
  tree.AddChange("TEST:TEMPerature:STOP", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    if (pending_) {
      // Asked for but not begun: it never begins.
      server_->Fail(pending_->op, kRunFailed, "stopped before it began");
      pending_.reset();
      return;
    }
    if (started_) stopAsked_ = true;
    if (bench_.tempTest.Running) bench_.tempTest.Button2Click();
  });
  tree.Add("TEST:TEMPerature:STATe?", [this](ScpiCall& c) {
    if (c.Count(0, 0))
      c.Reply(StateText(Running(), bench_.tempTest.Progress(), bench_.clock.NowMs()));
  });
}

void RemoteTempRun::RunPending() {
  if (!pending_) return;
  const Request run = *pending_;
  pending_.reset();
  started_ = true;
  stopAsked_ = false;
  const std::string why = starter_->RunTemperature(run.withChamber, run.unfinished);
  started_ = false;
  if (why.empty())
    server_->Complete(run.op);
  else if (stopAsked_)
    server_->Fail(run.op, kRunFailed, "stopped by TEST:TEMPerature:STOP; RESume continues it");
  else
    server_->Fail(run.op, kRunFailed, why);
}

}  // namespace qx::app

#include "core/remote/ScpiServer.h"

#include <algorithm>
#include <utility>

#include "core/remote/ScpiCall.h"

namespace qx::remote {

ScpiServer::ScpiServer(ScpiDevice& device) : device_(device) {
  commands_.SetChangeGuard([this](ScpiCall& call) { return MayChange(call); });
  commands_.Add("SYSTem:LOCK:REQuest?", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    const uint64_t self = ConnectionOf(c);
    if (!lockHolder_) lockHolder_ = self;
    c.Reply(*lockHolder_ == self ? "1" : "0");
  });
  commands_.Add("SYSTem:LOCK:RELease", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    const uint64_t self = ConnectionOf(c);
    if (lockHolder_ == kLocal)
      return c.Fail(error::kExecution, "control was taken back at the panel (Local)");
    if (lockHolder_ && *lockHolder_ != self)
      return c.Fail(error::kExecution, "the remote lock is held by another connection");
    lockHolder_.reset();
  });
}

bool ScpiServer::MayChange(ScpiCall& call) {
  if (!lockHolder_ || *lockHolder_ == ConnectionOf(call)) return true;
  if (*lockHolder_ == kLocal) {
    call.Fail(error::kCommandProtected, "control was taken back at the panel (Local)");
    return false;
  }
  call.Fail(error::kCommandProtected, "the remote lock is held by another connection");
  return false;
}

std::optional<uint64_t> ScpiServer::Open() {
  if (connections_.size() >= kMaxConnections) return std::nullopt;
  const uint64_t id = ++lastId_;
  connections_[id].session = std::make_unique<ScpiSession>(commands_, device_);
  return id;
}

void ScpiServer::Close(uint64_t connection) {
  if (connections_.erase(connection) == 0) return;
  if (lockHolder_ == connection) lockHolder_.reset();
}

void ScpiServer::Receive(uint64_t connection, std::string_view bytes) {
  const auto it = connections_.find(connection);
  if (it == connections_.end()) return;
  Queue(connection, it->second.session->Feed(bytes));
}

std::string_view ScpiServer::Unsent(uint64_t connection) const {
  const auto it = connections_.find(connection);
  return it == connections_.end() ? std::string_view() : std::string_view(it->second.unsent);
}

void ScpiServer::Sent(uint64_t connection, size_t count) {
  const auto it = connections_.find(connection);
  if (it == connections_.end()) return;
  std::string& unsent = it->second.unsent;
  unsent.erase(0, std::min(count, unsent.size()));
}

std::vector<uint64_t> ScpiServer::TakeDropped() {
  return std::exchange(dropped_, {});
}

ScpiOperation ScpiServer::Defer(ScpiCall& call) {
  return ScpiOperation{ConnectionOf(call), call.Defer()};
}

void ScpiServer::Complete(const ScpiOperation& operation, std::string reply) {
  const auto it = connections_.find(operation.connection);
  if (it == connections_.end()) return;
  Queue(operation.connection, it->second.session->Complete(operation.id, std::move(reply)));
}

void ScpiServer::Fail(const ScpiOperation& operation, int code, std::string text) {
  const auto it = connections_.find(operation.connection);
  if (it == connections_.end()) return;
  Queue(operation.connection, it->second.session->Fail(operation.id, code, std::move(text)));
}

uint64_t ScpiServer::ConnectionOf(ScpiCall& call) const {
  for (const auto& [id, c] : connections_)
    if (c.session.get() == &call.Session()) return id;
  return 0;
}

void ScpiServer::Queue(uint64_t connection, std::string bytes) {
  const auto it = connections_.find(connection);
  if (it == connections_.end() || bytes.empty()) return;
  std::string& unsent = it->second.unsent;
  if (unsent.size() + bytes.size() > kMaxUnsent) {
    Close(connection);
    dropped_.push_back(connection);
    return;
  }
  unsent += bytes;
}

}  // namespace qx::remote

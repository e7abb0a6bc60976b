#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/remote/ScpiCommandTree.h"
#include "core/remote/ScpiDevice.h"
#include "core/remote/ScpiSession.h"

namespace qx::remote {

/// A deferred operation as the server knows it: the connection that started it and the
/// session's id for it.
struct ScpiOperation {
  uint64_t connection = 0;
  uint64_t id = 0;
};

/// Every connection of the instrument, without sockets: one session per connection over one
/// shared command table, the exclusive-control lock, and each connection's unsent output. A
/// transport opens and closes connections, hands over the bytes it receives, sends what
/// `Unsent` holds and says how much went out; it closes the connections that `TakeDropped`
/// names. Connection ids are never reused, so the completion of an operation whose connection
/// has gone reaches nobody.
class ScpiServer {
 public:
  static constexpr size_t kMaxConnections = 8;
  /// Output a client leaves unread beyond this closes its connection: a client that never
  /// reads must not grow the server without end.
  static constexpr size_t kMaxUnsent = 2 * 1024 * 1024;

  /// `device` outlives the server. The instrument's own commands go into `Commands()`.
  explicit ScpiServer(ScpiDevice& device);
  ScpiServer(const ScpiServer&) = delete;
  ScpiServer& operator=(const ScpiServer&) = delete;

  ScpiCommandTree& Commands() { return commands_; }

  /// A new connection's id, or nothing when `kMaxConnections` are open.
  std::optional<uint64_t> Open();
  /// Ends a connection: its session, its unsent output and its lock go. Unknown ids are ignored.
  void Close(uint64_t connection);
  /// Runs received bytes on the connection's session; the replies join its unsent output.
  void Receive(uint64_t connection, std::string_view bytes);
  /// Output waiting to be sent; empty for a connection that is not open.
  std::string_view Unsent(uint64_t connection) const;
  /// The first `count` bytes of `Unsent` went out.
  void Sent(uint64_t connection, size_t count);
  /// Connections the server closed itself since the last call (output over `kMaxUnsent`).
  std::vector<uint64_t> TakeDropped();

  bool IsOpen(uint64_t connection) const { return connections_.count(connection) != 0; }
  size_t Connections() const { return connections_.size(); }
  /// The connection that holds exclusive control, if one does (`kLocal` while the front panel
  /// holds it).
  std::optional<uint64_t> LockHolder() const { return lockHolder_; }

  /// The lock's holder while the front panel has taken control back; never a connection's id.
  static constexpr uint64_t kLocal = 0;
  /// The front panel's LOCAL key: the lock goes to the panel, whoever held it, so every
  /// client's changing commands fail until `GiveBackLocal`; queries still answer.
  void TakeLocal() { lockHolder_ = kLocal; }
  /// The panel lets go of the lock it took: the clients may ask for it again.
  void GiveBackLocal() {
    if (lockHolder_ == kLocal) lockHolder_.reset();
  }
  bool LocalHolds() const { return lockHolder_ == kLocal; }

  /// Inside a handler: defers the call and names it for `Complete` and `Fail`.
  ScpiOperation Defer(ScpiCall& call);
  /// Ends a deferred operation on the connection that started it; nothing when it has closed.
  void Complete(const ScpiOperation& operation, std::string reply = {});
  void Fail(const ScpiOperation& operation, int code, std::string text = {});

 private:
  struct Connection {
    std::unique_ptr<ScpiSession> session;
    std::string unsent;
  };

  /// The connection whose session runs `call`.
  uint64_t ConnectionOf(ScpiCall& call) const;
  void Queue(uint64_t connection, std::string bytes);
  bool MayChange(ScpiCall& call);

  ScpiDevice& device_;
  ScpiCommandTree commands_;
  std::map<uint64_t, Connection> connections_;
  uint64_t lastId_ = 0;
  std::optional<uint64_t> lockHolder_;
  std::vector<uint64_t> dropped_;
};

}  // namespace qx::remote

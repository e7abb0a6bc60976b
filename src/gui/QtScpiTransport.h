#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/app/RemoteBench.h"
#include "core/app/Workbench.h"
#include "core/remote/ScpiAddress.h"
#include "core/remote/ScpiServer.h"

class QTcpServer;
class QTcpSocket;

namespace qx::gui {

/// The SCPI server inside the panel: a `QTcpServer` whose sockets feed the same `ScpiServer`
/// and bench commands as `qxctl serve`, on the panel's own workbench, so a script and the
/// windows share one bench. It only moves bytes, on the event loop's signals: it never waits.
class QtScpiTransport final : public QObject {
  Q_OBJECT

 public:
  explicit QtScpiTransport(app::Workbench& bench, QObject* parent = nullptr);
  ~QtScpiTransport() override;

  /// What the panel gives each new server's bench commands (its chip folder, its way to run a
  /// temperature run); runs in `Start`.
  void SetConfigure(std::function<void(app::RemoteBench&)> configure) {
    configure_ = std::move(configure);
  }
  /// Binds and listens; port 0 takes a free one. False with the reason in `error`.
  bool Start(const remote::Ipv4Endpoint& at, std::string& error);
  /// Closes every client and stops listening; the lock goes with them.
  void Stop();
  bool Listening() const { return server_ != nullptr; }
  /// The address actually listened on (the real port after port 0).
  remote::Ipv4Endpoint Local() const { return local_; }
  std::string LocalText() const;
  size_t Clients() const { return clients_.size(); }
  /// The running server; null while stopped.
  remote::ScpiServer* Server() { return server_.get(); }

 signals:
  /// A client came or went, or the lock may have changed hands.
  void Changed();

 private:
  void Accept();
  void Read(QTcpSocket* socket);
  /// Hands Qt what the connection has waiting, a bounded amount at a time: a client that never
  /// reads fills the server's own bound, which drops it, not the panel's memory.
  void Flush(QTcpSocket* socket);
  void Drop(QTcpSocket* socket);
  void DropWhatTheServerDropped();
  /// Runs the captures clients asked for, from the event loop: while one runs, its event
  /// pumping lets the other clients and the windows go on. Then sends what they answered.
  void RunPending();

  app::Workbench& bench_;
  std::function<void(app::RemoteBench&)> configure_;
  std::unique_ptr<app::RemoteBench> device_;
  std::unique_ptr<remote::ScpiServer> server_;
  QTcpServer* listener_ = nullptr;
  remote::Ipv4Endpoint local_;
  std::map<QTcpSocket*, uint64_t> clients_;
  bool running_ = false;       ///< inside `RunPending`: the server must stay
  bool stopWhenDone_ = false;  ///< a stop asked for while a capture ran
};

}  // namespace qx::gui

#include "gui/QtScpiTransport.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace qx::gui {

namespace {

/// Bytes handed to a socket beyond what it has not sent yet: enough to keep the link busy.
constexpr qint64 kSocketBacklog = 64 * 1024;

}  // namespace

QtScpiTransport::QtScpiTransport(app::Workbench& bench, QObject* parent)
    : QObject(parent), bench_(bench) {}

QtScpiTransport::~QtScpiTransport() {
  blockSignals(true);  // the windows that listen may be going too
  Stop();
}

bool QtScpiTransport::Start(const remote::Ipv4Endpoint& at, std::string& error) {
  if (Listening()) return true;
  auto* listener = new QTcpServer(this);
  listener->setMaxPendingConnections(16);
  if (!listener->listen(QHostAddress(at.address), at.port)) {
    // Appended piece by piece: GCC 12 at -O3 takes a chain of `+` for an overlapping copy.
    error = "cannot listen on ";
    error.append(remote::FormatIpv4(at.address)).append(1, ':').append(std::to_string(at.port));
    error.append(": ").append(listener->errorString().toStdString());
    delete listener;
    return false;
  }
  listener_ = listener;
  local_ = {listener->serverAddress().toIPv4Address(), listener->serverPort()};
  device_ = std::make_unique<app::RemoteBench>(bench_);
  server_ = std::make_unique<remote::ScpiServer>(*device_);
  device_->AddCommands(server_->Commands());
  device_->Serve(*server_);
  if (configure_) configure_(*device_);
  connect(listener_, &QTcpServer::newConnection, this, &QtScpiTransport::Accept);
  emit Changed();
  return true;
}

void QtScpiTransport::Stop() {
  if (!Listening()) return;
  if (running_) {
    // The capture's frame still uses the server: it is stopped, and the server goes after it.
    bench_.capture.idle = 1;
    stopWhenDone_ = true;
    return;
  }
  for (const auto& [socket, connection] : clients_) {
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
  }
  clients_.clear();
  listener_->close();
  listener_->deleteLater();
  listener_ = nullptr;
  server_.reset();
  device_.reset();
  emit Changed();
}

std::string QtScpiTransport::LocalText() const {
  std::string text = remote::FormatIpv4(local_.address);
  text.append(1, ':').append(std::to_string(local_.port));
  return text;
}

void QtScpiTransport::Accept() {
  while (QTcpSocket* socket = listener_ ? listener_->nextPendingConnection() : nullptr) {
    const auto connection = server_->Open();
    if (!connection) {
      // Full: the ninth client is closed at once and the others go on.
      socket->abort();
      socket->deleteLater();
      continue;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    clients_[socket] = *connection;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { Flush(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Drop(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { Drop(socket); });
    emit Changed();
  }
}

void QtScpiTransport::Read(QTcpSocket* socket) {
  const auto it = clients_.find(socket);
  if (it == clients_.end()) return;
  const uint64_t connection = it->second;
  const QByteArray bytes = socket->readAll();
  const std::optional<uint64_t> holder = server_->LockHolder();
  server_->Receive(connection, std::string_view(bytes.constData(), size_t(bytes.size())));
  DropWhatTheServerDropped();
  if (clients_.count(socket)) Flush(socket);
  if (server_ && server_->LockHolder() != holder) emit Changed();
  if (device_ && device_->HasPending() && !running_)
    QTimer::singleShot(0, this, [this] { RunPending(); });
}

void QtScpiTransport::RunPending() {
  if (!device_ || running_) return;
  running_ = true;
  device_->RunPending();
  running_ = false;
  if (stopWhenDone_) {
    stopWhenDone_ = false;
    Stop();
    return;
  }
  DropWhatTheServerDropped();
  std::vector<QTcpSocket*> sockets;
  for (const auto& [socket, connection] : clients_) sockets.push_back(socket);
  for (QTcpSocket* socket : sockets)
    if (clients_.count(socket)) Flush(socket);
}

void QtScpiTransport::Flush(QTcpSocket* socket) {
  const auto it = clients_.find(socket);
  if (it == clients_.end() || !server_) return;
  while (socket->bytesToWrite() < kSocketBacklog) {
    const std::string_view unsent = server_->Unsent(it->second);
    if (unsent.empty()) return;
    const size_t chunk = std::min(unsent.size(), size_t(kSocketBacklog));
    const qint64 n = socket->write(unsent.data(), qint64(chunk));
    if (n <= 0) return;
    server_->Sent(it->second, size_t(n));
  }
}

void QtScpiTransport::Drop(QTcpSocket* socket) {
  const auto it = clients_.find(socket);
  if (it == clients_.end()) return;
  if (server_) server_->Close(it->second);
  clients_.erase(it);
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
  emit Changed();
}

void QtScpiTransport::DropWhatTheServerDropped() {
  for (const uint64_t gone : server_->TakeDropped()) {
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [gone](const auto& client) { return client.second == gone; });
    if (it != clients_.end()) Drop(it->first);
  }
}

}  // namespace qx::gui

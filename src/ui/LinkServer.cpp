#include "ui/LinkServer.h"

#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace {
// A link is one line; anything longer is no link of ours.
constexpr qint64 kLongestLink = 64 * 1024;
const QByteArray kTaken = "taken\n";
}  // namespace

QString TLinkServer::SocketName() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/quillery-links";
}

bool TLinkServer::Send(const QString& Link, int TimeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(SocketName());
  if (!socket.waitForConnected(TimeoutMs)) return false;
  socket.write(Link.toUtf8() + '\n');
  if (!socket.waitForBytesWritten(TimeoutMs)) return false;
  // The answer says the running Quillery has the link; without it this
  // start opens the link itself.
  while (!socket.canReadLine())
    if (!socket.waitForReadyRead(TimeoutMs)) return false;
  return socket.readLine() == kTaken;
}

bool TLinkServer::Listen(TReceived Received) {
  FReceived = std::move(Received);
  const QString name = SocketName();
  // Asked first: listening would replace the socket of a Quillery that
  // runs. One nobody answers is left over from a Quillery that ended
  // without closing it.
  QLocalSocket probe;
  probe.connectToServer(name);
  if (probe.waitForConnected(1000)) return false;
  QLocalServer::removeServer(name);
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  if (!FServer.listen(name)) return false;
  connect(&FServer, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = FServer.nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Take(socket); });
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
  return true;
}

void TLinkServer::Take(QLocalSocket* Socket) {
  if (!Socket->canReadLine()) {
    if (Socket->bytesAvailable() > kLongestLink) Socket->abort();
    return;
  }
  const QString link = QString::fromUtf8(Socket->readLine()).chopped(1);
  Socket->write(kTaken);
  Socket->flush();
  Socket->disconnectFromServer();
  // Opened after this event: opening may ask questions, which must not run
  // inside the socket's signal.
  QTimer::singleShot(0, this, [this, link] {
    if (FReceived) FReceived(link);
  });
}

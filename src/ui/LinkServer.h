#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

class QLocalSocket;

// A link given to a second start of Quillery goes to the one already
// running, which opens it; the second start then ends. They meet at a local
// socket of the user's own, in the user's runtime folder, so that no other
// user can hand links in or read them.
class TLinkServer : public QObject {
 public:
  using TReceived = std::function<void(const QString& Link)>;

  // Takes links for Received from now on; false when another Quillery of
  // this user already does (or the socket cannot be made).
  bool Listen(TReceived Received);
  // Hands Link to the Quillery that listens; false when none takes it.
  static bool Send(const QString& Link, int TimeoutMs = 3000);
  // $XDG_RUNTIME_DIR/quillery-links (Qt's private runtime folder without it).
  static QString SocketName();

 private:
  void Take(QLocalSocket* Socket);

  QLocalServer FServer;
  TReceived FReceived;
};

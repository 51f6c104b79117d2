#pragma once

#include <QByteArray>
#include <QString>

// What the user chose in the connect dialog.
struct TConnectValues {
  QByteArray HostName;
  QByteArray UserName;
  QByteArray Password;
  QByteArray StartingDir;
  int Port = 22;
  // A private key to log in with (PuTTY's .ppk or OpenSSH's own form);
  // empty to leave it to the SSH agent or the password.
  QString PrivateKeyFile;
  // OpenSSH's ProxyJump ("[user@]host[:port]", hops joined by commas): the
  // server is reached through these hosts, by the user's own ssh.
  QString ProxyJump;
};

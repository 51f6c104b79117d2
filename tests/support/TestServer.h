#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The loopback SSH/SFTP server (tests/server/sftp_server.py on Debian's
// python3-asyncssh): password login, a throwaway host key, a served tree in a
// temporary folder, a free port. Started by Start(), stopped by the destructor.
class TestServer {
 public:
  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Paths (glob, as the client sees them, e.g. "/www/secret*") refused with
  // "permission denied". Call before Start().
  void Deny(const QString& Glob) { FDeny << Glob; }
  // Keeps the host key in a file so a restarted server presents the same key,
  // or a different file for a changed key. Call before Start().
  void SetHostKeyFile(const QString& Path) { FHostKeyFile = Path; }
  // Listens on this port instead of a free one. Call before Start().
  void SetPort(int Port) { FRequestedPort = Port; }

  // Starts the server; returns false (with a gtest failure) when it does not come up.
  bool Start();
  void Stop();

  int Port() const { return FPort; }
  QString User() const { return "tester"; }
  QString Password() const { return "secret"; }
  // The folder served as "/". The sample tree is created below it by Start():
  //   /www/index.html, /www/style.css, /www/app.js, /www/notes.txt,
  //   /www/my notes.txt, /www/café+(1).txt, /www/sub/inner.txt
  QString Root() const { return FRoot.path(); }
  QString Served(const QString& RemotePath) const { return Root() + RemotePath; }
  void WriteFile(const QString& RemotePath, const QByteArray& Bytes) const;
  QByteArray ReadFile(const QString& RemotePath) const;

 private:
  QTemporaryDir FRoot;
  QProcess FProcess;
  QStringList FDeny;
  QString FHostKeyFile;
  int FPort = 0;
  int FRequestedPort = 0;
};

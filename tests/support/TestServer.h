#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The loopback SSH/SFTP server (tests/server/sftp_server.py on Debian's
// python3-asyncssh): password login, a throwaway host key, a served tree in a
// temporary folder, a free port. Started by Start(), stopped by the destructor.
// The setters below make it fail in the ways real servers and networks do.
class TestServer {
 public:
  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Paths (glob, as the client sees them, e.g. "/www/secret*") refused with
  // "permission denied" when opened, renamed (by the old name) or removed.
  // Call before Start().
  void Deny(const QString& Glob) { FDeny << Glob; }
  // Keeps the host key in a file so a restarted server presents the same key,
  // or a different file for a changed key. Call before Start().
  void SetHostKeyFile(const QString& Path) { FHostKeyFile = Path; }
  // Listens on this port instead of a free one. Call before Start().
  void SetPort(int Port) { FRequestedPort = Port; }

  // Failures that happen for real, for files matching Glob (as for Deny), once
  // Bytes bytes from the start of the file have gone through. Call before Start().
  // Reads fail with an SFTP failure status: psftp's "get" breaks partway.
  void FailReadAfter(const QString& Glob, qint64 Bytes) { FFailRead << Limit(Glob, Bytes); }
  // Writes fail as on a full disk; the first Bytes bytes stay in the file.
  void FailWriteAfter(const QString& Glob, qint64 Bytes) { FFailWrite << Limit(Glob, Bytes); }
  // Reads are never answered; as the server takes one request at a time, the
  // whole session then hangs, while the server lives on for other connections.
  void StallReadAfter(const QString& Glob, qint64 Bytes) { FStallRead << Limit(Glob, Bytes); }
  // Reads or writes wait once Bytes bytes have gone through, until
  // ReleaseHeld(); a write waits with none of its bytes written. As the
  // server takes one request at a time, the whole session waits with it.
  // Call before Start().
  void HoldReadAfter(const QString& Glob, qint64 Bytes) { FHoldRead << Limit(Glob, Bytes); }
  void HoldWriteAfter(const QString& Glob, qint64 Bytes) { FHoldWrite << Limit(Glob, Bytes); }
  // True once a transfer has reached its hold; false after a timeout.
  bool WaitUntilHeld(int TimeoutMs = 10000) const;
  // Lets every held transfer, and every later one, go on.
  void ReleaseHeld() const;
  // Cuts the connection, without an SSH disconnect message, once Count SFTP
  // requests have been answered; a request that comes after them is not
  // answered. Call before Start().
  void DropAfterRequests(int Count) { FDropAfterRequests = Count; }
  // Renaming a path matching Glob (its old name) fails with SFTP's generic
  // "failure", and nothing changes. Call before Start().
  void FailRename(const QString& Glob) { FFailRename << Glob; }
  // Setting the attributes of a path matching Glob (psftp's "chmod") is
  // refused with "permission denied". Call before Start().
  void FailChmod(const QString& Glob) { FFailChmod << Glob; }
  // Renaming a path matching Glob (its old name), or removing one, is
  // carried out, and then the connection is cut before the answer: the
  // client cannot know whether it happened. Call before Start().
  void DropAfterChange(const QString& Glob) { FDropAfterChange << Glob; }
  // The same once psftp has printed "Remote working directory is /": its
  // first request asks for that folder.
  void DropAfterLogin() { FDropAfterLogin = true; }
  // Listing the folder RemotePath gives "." and ".." and then exactly these
  // long names, which psftp's "ls" prints as they are (less control
  // characters), sorted by the entry's name. The name is the text after the
  // last blank, or "name\tlong name" gives it apart. The folder is created in
  // the served tree. Call before Start().
  void SetListing(const QString& RemotePath, const QStringList& LongNames);
  // Acts as a jump host: forwards the connections clients ask for (ssh -W)
  // and notes each "host:port" in Forwarded(). Call before Start().
  void AllowForwarding() { FForwarding = true; }
  QStringList Forwarded() const;
  // Sends Text as the login banner, which psftp shows behind "| " on its
  // error output before it asks for a password. Call before Start().
  void SetBanner(const QByteArray& Text) { FBanner = Text; }
  // Accepts public-key login with the key in this OpenSSH public key file, as
  // well as the password. Call before Start().
  void AuthorizeKey(const QString& PublicKeyFile) { FAuthorizedKeys << PublicKeyFile; }

  // Stops (SIGSTOP) and continues (SIGCONT) the whole server process: a
  // server that answers nothing, not even at the SSH level.
  void Pause();
  void Resume();

  // Starts the server; returns false (with a gtest failure) when it does not come up.
  bool Start();
  void Stop();

  int Port() const { return FPort; }
  // "SHA256:..." of the host key, as psftp's -hostkey takes it.
  QString HostKeyFingerprint() const { return FHostKeyFingerprint; }
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
  static QString Limit(const QString& Glob, qint64 Bytes) {
    return Glob + "=" + QString::number(Bytes);
  }

  QTemporaryDir FRoot;
  // The server's own files (listings), outside the served tree.
  QTemporaryDir FOwnFiles;
  QProcess FProcess;
  QStringList FDeny;
  QStringList FDropAfterChange, FFailRename, FFailChmod;
  QStringList FFailRead, FFailWrite, FStallRead, FHoldRead, FHoldWrite;
  QStringList FListings;  // "remote path=listing file"
  QStringList FAuthorizedKeys;
  QByteArray FBanner;
  bool FForwarding = false;
  QString FHostKeyFile;
  QString FHostKeyFingerprint;
  int FDropAfterRequests = 0;
  bool FDropAfterLogin = false;
  int FPort = 0;
  int FRequestedPort = 0;
  bool FPaused = false;
};

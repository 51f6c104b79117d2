#pragma once

#include <QByteArray>
#include <QString>

// A secret (a password, a key's passphrase) for a child that reads it from a
// file it is given by name: the child gets a pipe holding it instead, named
// /dev/fd/N. Nothing reaches the disk, so nothing is left behind when
// Quillery or the child is killed, and no other process can open it by name:
// /dev/fd names the opener's own descriptors.
//
// The pipe is made and filled before the child starts; the child inherits the
// read end (ChildProcess::TStartInfo::InheritedFd, or PassToChild in a
// QProcess child modifier), and this object closes Quillery's copy when it
// goes, after the start.
class TSecretPipe {
 public:
  // Throws Exception when the pipe cannot be made or the secret does not
  // fit in it at once (a pipe holds at least 4 KiB).
  explicit TSecretPipe(const QByteArray& Secret);
  ~TSecretPipe();
  TSecretPipe(const TSecretPipe&) = delete;
  TSecretPipe& operator=(const TSecretPipe&) = delete;

  int ReadEnd() const { return FReadEnd; }
  // The name under which the child opens the pipe.
  QString Path() const { return QString("/dev/fd/%1").arg(FReadEnd); }

  // In the child, between fork and exec: keeps ReadEnd open across exec.
  // Async-signal-safe.
  static void PassToChild(int ReadEnd);

 private:
  int FReadEnd = -1;
};

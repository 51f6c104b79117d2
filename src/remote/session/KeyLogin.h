#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "remote/session/HostKeyRequest.h"
#include "remote/session/PrivateKeyFile.h"

class QProcess;

// Readies the private key chosen for a connection before psftp starts: a
// PuTTY key is used as it is; an OpenSSH key is converted once with puttygen
// (asking for its passphrase first when it has one) into a private .ppk that
// is reused while the key stays unchanged. The passphrase given for the
// conversion also answers psftp's own first question for it, so the user
// types it once.
class TKeyLogin {
 public:
  struct TCallbacks {
    // Start psftp with this key for -i (empty: no key was chosen).
    std::function<void(const QString& PsftpKey)> Ready;
    // Ask the user for the key's passphrase; the answer comes to Answer().
    std::function<void(const TPasswordRequest& Request)> Ask;
    // Give up: Text for the user, Detail the tool's own line.
    std::function<void(const QString& Text, const QString& Detail)> Fail;
    std::function<void(const QString& Line)> Log;
  };

  explicit TKeyLogin(TCallbacks Callbacks);
  ~TKeyLogin();
  TKeyLogin(const TKeyLogin&) = delete;
  TKeyLogin& operator=(const TKeyLogin&) = delete;

  // Starts readying KeyFile; one of the callbacks follows, now or later.
  void Begin(const QString& KeyFile);
  // The passphrase asked for through Ask.
  void Answer(const QByteArray& Passphrase);
  // The user cancelled the question, or the connection was abandoned.
  void Cancel();
  // True from Begin until Ready or Fail.
  bool Preparing() const { return FPreparing; }

  // The key psftp was given, for messages; empty when none.
  QString KeyName() const;
  // The passphrase the user gave for the conversion, once, for psftp's own
  // question; empty when there is none to give.
  QByteArray TakePassphrase();

  // How many wrong passphrases a key gets before the connection is given up,
  // as OpenSSH's ssh does.
  static constexpr int MostAttempts = 3;

 private:
  void Convert(const QByteArray& Passphrase);
  void Converted(int ExitCode);
  void AskPassphrase(const QString& Warning);
  void Finish(const QString& PsftpKey);
  void Abandon(const QString& Text, const QString& Detail);
  void EndProcess();

  TCallbacks F;
  TPrivateKeyFile FKey;
  bool FPreparing = false;
  int FAttempts = 0;
  QByteArray FPassphrase;
  std::unique_ptr<QProcess> FProcess;
  QString FOutputFile;
};

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

namespace QKeychain {
class Job;
}

// Saved passwords in the desktop's keyring (the Secret Service on Linux),
// each under the service "Quillery" and the saved host's display name.
// Every call answers later, on this thread, through its callback: a keyring
// may be slow to start or wait for the user to unlock it, and the window
// must never wait for it. A keyring that has not answered within the
// timeout counts as not there, and its late answer is dropped. Nothing is
// asked of the keyring before the first call, and no callback runs once
// this object is gone.
class TPasswordKeyring : public QObject {
  Q_OBJECT

 public:
  enum class TAnswer { Found, NotFound, Unavailable };
  using TReadDone = std::function<void(TAnswer Answer, const QByteArray& Password)>;
  // Done(true) once the keyring has done what was asked.
  using TDone = std::function<void(bool Done)>;

  explicit TPasswordKeyring(int TimeoutMs = DefaultTimeoutMs, QObject* Parent = nullptr);

  void Read(const QString& Name, TReadDone Done);
  void Write(const QString& Name, const QByteArray& Password, TDone Done);
  // Done(true) also when there was nothing to remove.
  void Remove(const QString& Name, TDone Done);

  static constexpr int DefaultTimeoutMs = 5000;
  static const QString Service;

 private:
  // Finished(nullptr) when the timeout came first.
  void Run(QKeychain::Job* Job, std::function<void(const QKeychain::Job*)> Finished);

  int FTimeoutMs;
};

#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QObject;

// The SHA-256 of a local file, computed on a worker thread, so that a
// download, an upload or the check before a save never holds the window up
// while megabytes are hashed. The file is opened at once: the digest is of
// the bytes there now, also when the file is replaced or removed under its
// name meanwhile. Copies share one computation. The digest becomes known on
// the application's main thread, where the copies are used.
class TFileHash {
 public:
  // None: no bytes were seen.
  TFileHash() = default;
  // Starts hashing Path; a file that cannot be opened has an empty digest,
  // known at once.
  static TFileHash Of(const QString& Path);
  static TFileHash Known(const QByteArray& Digest);

  bool IsNull() const { return !FState; }
  bool Ready() const;
  // Empty until Ready, and when the file could not be read.
  QByteArray Digest() const;
  // Calls Done on the main thread once the digest is known (at once when it
  // is), unless Context has been destroyed by then.
  void WhenReady(QObject* Context, std::function<void()> Done) const;
  // Calls Done once the digests of both are known.
  static void WhenBothReady(const TFileHash& A, const TFileHash& B, QObject* Context,
                            std::function<void()> Done);

  // How an open file's bytes become their digest, on the worker thread
  // (TSha256::OfDescriptor). Tests wrap it to hold a digest back; returns
  // the one it replaces.
  using THasher = std::function<QByteArray(int Fd)>;
  static THasher SetHasher(THasher Hasher);

 private:
  struct TState;
  static void Complete(const std::shared_ptr<TState>& State, const QByteArray& Digest);

  std::shared_ptr<TState> FState;
};

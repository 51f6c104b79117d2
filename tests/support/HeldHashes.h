#pragma once

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>
#include <atomic>

#include "remote/local/FileHash.h"
#include "remote/local/Sha256.h"

// While it lives, every file digest TFileHash computes waits on its worker
// until Release: a digest made slow on purpose. The digest itself is the
// program's own. Records whether a digest was computed on the main thread.
class THeldHashes {
 public:
  THeldHashes() {
    FPrevious = TFileHash::SetHasher([this](int Fd) {
      if (QThread::currentThread() == QCoreApplication::instance()->thread()) FOnMainThread = true;
      ++FStarted;
      FGate.acquire();
      return TSha256::OfDescriptor(Fd);
    });
  }
  ~THeldHashes() {
    Release();
    TFileHash::SetHasher(FPrevious);
  }
  THeldHashes(const THeldHashes&) = delete;
  THeldHashes& operator=(const THeldHashes&) = delete;

  // Lets every digest held now or asked for later go on.
  void Release() { FGate.release(1 << 20); }
  bool OnMainThread() const { return FOnMainThread; }
  // How many digests have begun.
  int Started() const { return FStarted; }

 private:
  TFileHash::THasher FPrevious;
  QSemaphore FGate;
  std::atomic<bool> FOnMainThread{false};
  std::atomic<int> FStarted{0};
};

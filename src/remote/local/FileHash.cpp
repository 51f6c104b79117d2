#include "remote/local/FileHash.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <utility>
#include <vector>

#include "remote/local/Sha256.h"

struct TFileHash::TState {
  // Both are set on the main thread, so they need no lock.
  bool Ready = false;
  QByteArray Digest;
  std::vector<std::pair<QPointer<QObject>, std::function<void()>>> Waiters;
};

namespace {
std::mutex& HasherLock() {
  static std::mutex Lock;
  return Lock;
}

TFileHash::THasher& CurrentHasher() {
  static TFileHash::THasher Hasher = &TSha256::OfDescriptor;
  return Hasher;
}
}  // namespace

TFileHash TFileHash::Of(const QString& Path) {
  const int Fd = open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return Known({});
  THasher Hasher;
  {
    std::lock_guard<std::mutex> Lock(HasherLock());
    Hasher = CurrentHasher();
  }
  TFileHash Hash;
  Hash.FState = std::make_shared<TState>();
  QCoreApplication* App = QCoreApplication::instance();
  if (!App) {
    // No event loop to hear of the end: the caller waits for it here.
    Complete(Hash.FState, Hasher(Fd));
    close(Fd);
    return Hash;
  }
  QThreadPool::globalInstance()->start([State = Hash.FState, Fd, Hasher, App] {
    QByteArray Digest;
    try {
      Digest = Hasher(Fd);
    } catch (...) {
      // No digest: it compares equal to nothing, so the check gets the bytes.
    }
    close(Fd);
    QMetaObject::invokeMethod(
        App, [State, Digest] { Complete(State, Digest); }, Qt::QueuedConnection);
  });
  return Hash;
}

TFileHash TFileHash::Known(const QByteArray& Digest) {
  TFileHash Hash;
  Hash.FState = std::make_shared<TState>();
  Hash.FState->Ready = true;
  Hash.FState->Digest = Digest;
  return Hash;
}

bool TFileHash::Ready() const { return !FState || FState->Ready; }

QByteArray TFileHash::Digest() const { return FState ? FState->Digest : QByteArray(); }

void TFileHash::WhenReady(QObject* Context, std::function<void()> Done) const {
  if (Ready()) {
    if (Context) Done();
    return;
  }
  FState->Waiters.emplace_back(Context, std::move(Done));
}

void TFileHash::WhenBothReady(const TFileHash& A, const TFileHash& B, QObject* Context,
                              std::function<void()> Done) {
  QPointer<QObject> Guard(Context);
  A.WhenReady(Context, [B, Guard, Done = std::move(Done)] { B.WhenReady(Guard, Done); });
}

TFileHash::THasher TFileHash::SetHasher(THasher Hasher) {
  std::lock_guard<std::mutex> Lock(HasherLock());
  return std::exchange(CurrentHasher(), std::move(Hasher));
}

void TFileHash::Complete(const std::shared_ptr<TState>& State, const QByteArray& Digest) {
  State->Digest = Digest;
  State->Ready = true;
  auto Waiters = std::move(State->Waiters);
  State->Waiters.clear();
  for (auto& [Context, Done] : Waiters)
    if (Context) Done();
}

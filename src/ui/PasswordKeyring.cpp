#include "ui/PasswordKeyring.h"

#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

const QString TPasswordKeyring::Service = "Quillery";

TPasswordKeyring::TPasswordKeyring(int TimeoutMs, QObject* Parent)
    : QObject(Parent), FTimeoutMs(TimeoutMs) {}

// Jobs have no parent and delete themselves when they finish: a job freed
// while the keyring still owes it an answer would be called back after its
// end. One that never answers stays, as QtKeychain keeps it queued anyway.
void TPasswordKeyring::Run(QKeychain::Job* Job,
                           std::function<void(const QKeychain::Job*)> Finished) {
  Job->setAutoDelete(true);
  Job->setInsecureFallback(false);
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  auto answered = std::make_shared<bool>(false);
  auto answer = [timer, answered, Finished](const QKeychain::Job* Answer) {
    if (*answered) return;
    *answered = true;
    timer->deleteLater();
    Finished(Answer);
  };
  // The timer is the context: once it is gone (answered, timed out, or this
  // object freed) a late answer reaches no one.
  connect(Job, &QKeychain::Job::finished, timer, answer);
  connect(timer, &QTimer::timeout, this, [answer] { answer(nullptr); });
  timer->start(FTimeoutMs);
  Job->start();
}

void TPasswordKeyring::Read(const QString& Name, TReadDone Done) {
  auto* job = new QKeychain::ReadPasswordJob(Service);
  job->setKey(Name);
  Run(job, [job, Done](const QKeychain::Job* Answer) {
    if (!Answer) return Done(TAnswer::Unavailable, QByteArray());
    switch (Answer->error()) {
      case QKeychain::NoError:
        return Done(TAnswer::Found, job->textData().toLocal8Bit());
      case QKeychain::EntryNotFound:
        return Done(TAnswer::NotFound, QByteArray());
      default:
        return Done(TAnswer::Unavailable, QByteArray());
    }
  });
}

void TPasswordKeyring::Write(const QString& Name, const QByteArray& Password, TDone Done) {
  auto* job = new QKeychain::WritePasswordJob(Service);
  job->setKey(Name);
  // As text, so that the desktop's own keyring manager shows it readable.
  job->setTextData(QString::fromLocal8Bit(Password));
  Run(job, [Done](const QKeychain::Job* Answer) {
    Done(Answer && Answer->error() == QKeychain::NoError);
  });
}

void TPasswordKeyring::Remove(const QString& Name, TDone Done) {
  auto* job = new QKeychain::DeletePasswordJob(Service);
  job->setKey(Name);
  Run(job, [Done](const QKeychain::Job* Answer) {
    Done(Answer &&
         (Answer->error() == QKeychain::NoError || Answer->error() == QKeychain::EntryNotFound));
  });
}

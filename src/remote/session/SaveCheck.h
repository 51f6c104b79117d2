#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "remote/editing/RemoteCheck.h"

class IConversation;
class IPage;
class TCompareOperation;
class TStatOperation;

// Before a save: finds out whether the remote file the save would write still
// is what the page last saw, and reports it through
// ITransferListener::RemoteChecked. Nothing but the check is written or sent.
class TSaveCheck {
 public:
  explicit TSaveCheck(IConversation& Driver) : FDriver(Driver) {}

  // Checks the file that a save of Page from LocalPath would write. Ignored
  // while a check for Page is under way, also while it waits for a digest. Throws when LocalPath
  // cannot be written; nothing is then sent.
  void Check(IPage* Page, const QString& LocalPath);
  bool Checking(const IPage* Page) const;
  // True while a check has its answer from psftp and waits for a digest.
  bool Waiting() const;
  // The window is closing Page: a waiting check's verdict is dropped.
  void PageClosing(const IPage* Page);
  // The remote file a save of Page from LocalPath writes.
  QByteArray Target(const IPage& Page, const QString& LocalPath) const;

 private:
  bool ListingIsCheaper(const TRemoteCheck& Check) const;
  void FinishStat(TStatOperation& Stat);
  void FinishCompare(TCompareOperation& Compare);
  void EndCheck(IPage* Page, TRemoteCheck& Check);

  // A check whose "get" has come and whose digests are still computed.
  struct TWaitingCheck {
    IPage* Page;  // null once the page has closed
    TRemoteCheck Check;
    QString WorkFile;
  };
  void Compared(TWaitingCheck* Waiting);

  IConversation& FDriver;
  std::vector<std::unique_ptr<TWaitingCheck>> FWaiting;
  // Digests that come after the driver has gone call nothing.
  QObject FContext;
};

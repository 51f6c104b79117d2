#pragma once

#include <QByteArray>
#include <QString>

class IConversation;
class IPage;
class TCompareOperation;
class TStatOperation;
struct TRemoteCheck;

// Before a save: finds out whether the remote file the save would write still
// is what the page last saw, and reports it through
// ITransferListener::RemoteChecked. Nothing but the check is written or sent.
class TSaveCheck {
 public:
  explicit TSaveCheck(IConversation& Driver) : FDriver(Driver) {}

  // Checks the file that a save of Page from LocalPath would write. Ignored
  // while a check for Page is under way. Throws when LocalPath cannot be
  // written; nothing is then sent.
  void Check(IPage* Page, const QString& LocalPath);
  bool Checking(const IPage* Page) const;
  // The remote file a save of Page from LocalPath writes.
  QByteArray Target(const IPage& Page, const QString& LocalPath) const;

 private:
  bool ListingIsCheaper(const TRemoteCheck& Check) const;
  void FinishStat(TStatOperation& Stat);
  void FinishCompare(TCompareOperation& Compare);
  void EndCheck(IPage* Page, TRemoteCheck& Check);

  IConversation& FDriver;
};

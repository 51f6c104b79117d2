#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "remote/editing/RemoteFingerprint.h"

class IConversation;
class IPage;
class TPsftpOperation;
class TPutOperation;
class TMoveOperation;
class TRemoveOperation;

// A save that never leaves the server without a whole copy of the file under
// a name the user can find. psftp's "put" truncates the file it writes
// first, so a broken upload would destroy the old text; and SFTP's rename
// never replaces a file. So the page's bytes go to a hidden name of our own
// beside the file, and then the file is swapped:
//
//   put LOCAL DIR/.NAME.quillery-R.new
//   mv  DIR/NAME                       DIR/.NAME.quillery-R.old
//   mv  DIR/.NAME.quillery-R.new       DIR/NAME
//   rm  DIR/.NAME.quillery-R.old
//
// When a step fails, what can be undone is (the old text moved back, the new
// copy removed), and the message says where each text is. A file of ours is
// removed only when this save made it. A FROM that is gone ("mv" says "no
// such file") means there is no old text to keep: the new copy takes the
// name.
//
// Each step is one operation handed to the conversation; the next one is
// made when its answer has come, so only one is ever queued. Finished is
// called once, at the end, whatever the outcome.
class TSafeSave : public std::enable_shared_from_this<TSafeSave> {
 public:
  using TFinished = std::function<void(TSafeSave&)>;

  // Target: the full remote path of the page's file. Throws for a name psftp
  // cannot take; nothing is then queued.
  static std::shared_ptr<TSafeSave> Make(IConversation& Driver, IPage* Page,
                                         const QString& LocalPath, const QByteArray& Target,
                                         TFinished Finished);
  ~TSafeSave();
  // The upload, to set what it sends before Begin().
  TPutOperation& Put() { return *FPut; }
  void Begin();
  // What was sent, as the upload had it (TPutOperation::Sent, SentVersion).
  const TRemoteFingerprint& Sent() const { return FSent; }
  quint64 SentVersion() const { return FSentVersion; }

  // After Finished: the file holds the page's text.
  bool Saved() const { return FSaved; }
  // After Finished: the page's tab closed while the save ran.
  bool PageClosed() const { return FPageClosed; }
  IPage* Page() const { return FPage; }
  // After Finished: what happened, for the person, and psftp's line behind it.
  const QString& Message() const { return FMessage; }
  const QString& Detail() const { return FDetail; }

  const QByteArray& Target() const { return FTarget; }
  const QByteArray& TempPath() const { return FTemp; }
  const QByteArray& BackupPath() const { return FBackup; }
  // False when the hidden names beside Target would be longer than a file
  // name may be (255 bytes on the servers' file systems).
  static bool Fits(const QByteArray& Target);
  // The hidden names beside Target, with Random between fixed parts so a
  // leftover is known as ours.
  static QByteArray TempPathFor(const QByteArray& Target, const QByteArray& Random);
  static QByteArray BackupPathFor(const QByteArray& Target, const QByteArray& Random);

 private:
  TSafeSave(IConversation& Driver, IPage* Page, const QString& LocalPath, const QByteArray& Target,
            TFinished Finished);

  // Each step's operation and what its answer leads to.
  void Uploaded(TPutOperation& Put);
  void MovedAside(TMoveOperation& Move);
  void MovedIn(TMoveOperation& Move);
  void MovedBack(TMoveOperation& Move);
  void BackupRemoved(TRemoveOperation& Remove);
  void TempRemoved(TRemoveOperation& Remove);
  void Lost(const QString& Where);

  void Step(std::unique_ptr<TPsftpOperation> Operation);
  void Follow(const TPsftpOperation& Operation);
  void RemoveTemp(const QString& Message, const QString& Detail);
  void End(bool Saved, const QString& Message, const QString& Detail);

  QString Name() const;
  QString Shown(const QByteArray& Path) const;

  IConversation& FDriver;
  IPage* FPage;
  QByteArray FTarget;
  QByteArray FTemp;
  QByteArray FBackup;
  TFinished FFinished;
  std::unique_ptr<TPutOperation> FPut;  // until Begin
  TRemoteFingerprint FSent;
  quint64 FSentVersion = 0;
  bool FPageClosed = false;
  bool FEnded = false;
  bool FSaved = false;
  QString FMessage;
  QString FDetail;
};

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
class TChmodOperation;
class TMoveOperation;
class TRemoveOperation;

// A save that never leaves the server without a whole copy of the file under
// a name the user can find. psftp's "put" truncates the file it writes
// first, so a broken upload would destroy the old text; and SFTP's rename
// never replaces a file. So the page's bytes go to a hidden name of our own
// beside the file, take the file's permission bits, and then the file is
// swapped:
//
//   put   LOCAL DIR/.NAME.quillery-R.new
//   chmod MODE  DIR/.NAME.quillery-R.new
//   mv    DIR/NAME                       DIR/.NAME.quillery-R.old
//   mv    DIR/.NAME.quillery-R.new       DIR/NAME
//   rm    DIR/.NAME.quillery-R.old
//
// When a step fails, what can be undone is (the old text moved back, the new
// copy removed), and the message says where each text is. A file of ours is
// removed only when this save made it. A FROM that is gone ("mv" says "no
// such file") means there is no old text to keep: the new copy takes the
// name. A folder that does not take the new copy (permission denied) may
// still let the file itself be written: it then is, in place.
//
// A save that must not swap (see TSwapChoice) is one "put" to the file in
// place, with the same words for its outcome.
//
// Each step is one operation handed to the conversation; the next one is
// made when its answer has come, so only one is ever queued. Landed is
// called once the file holds the text (before the backup is removed: the
// page is saved then), Finished once at the end, whatever the outcome.
class TSafeSave : public std::enable_shared_from_this<TSafeSave> {
 public:
  using TFinished = std::function<void(TSafeSave&)>;
  struct TRequest {
    // The page whose text is saved; null for a local file the user dropped.
    IPage* Page = nullptr;
    QString LocalPath;
    // The file as the user knows it: its full path, or its name where psftp is.
    QByteArray Target;
    // Written in place: the remote name "put" is given; empty for the local
    // file's own name in psftp's folder.
    QByteArray PutName;
    // Swapped: the permission bits of the new copy; -1 to write in place.
    int Permissions = -1;
  };

  // Throws for a name psftp cannot take; nothing is then queued.
  static std::shared_ptr<TSafeSave> Make(IConversation& Driver, const TRequest& Request,
                                         TFinished Landed, TFinished Finished);
  ~TSafeSave();
  // The first upload, to set what it sends before Begin().
  TPutOperation& Put() { return *FPut; }
  void Begin();
  // What was sent, as the upload had it (TPutOperation::Sent, SentVersion).
  const TRemoteFingerprint& Sent() const { return FSent; }
  quint64 SentVersion() const { return FSentVersion; }

  // After Finished: the file holds the page's text.
  bool Saved() const { return FSaved; }
  // After Finished: an upload to the file itself broke off, so the server's
  // copy may be cut short.
  bool MayBeCut() const { return FMayBeCut; }
  // After Finished: the page's tab closed while the save ran.
  bool PageClosed() const { return FPageClosed; }
  IPage* Page() const { return FPage; }
  // The remote file the save writes, as the user knows it.
  const QByteArray& Target() const { return FTarget; }
  // It sends a page's text, not a dropped file.
  bool SavesPage() const { return FSavesPage; }
  // After Finished: what happened, for the person, and psftp's line behind it.
  const QString& Message() const { return FMessage; }
  const QString& Detail() const { return FDetail; }

  // The file was written in place rather than swapped (with the bits of
  // Permissions()).
  bool WroteInPlace() const { return FInPlace; }
  int Permissions() const { return FPermissions; }
  // The size of the local file as the upload began; -1 when unknown.
  qint64 Bytes() const { return FBytes; }

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
  TSafeSave(IConversation& Driver, const TRequest& Request, TFinished Landed, TFinished Finished);

  // Each step's operation and what its answer leads to.
  void Uploaded(TPutOperation& Put);
  void PermissionsSet(TChmodOperation& Chmod);
  void MoveAside();
  void MovedAside(TMoveOperation& Move);
  void MovedIn(TMoveOperation& Move, bool OldTextGone);
  void MovedBack(TMoveOperation& Move);
  void BackupRemoved(TRemoveOperation& Remove);
  void RemoveTemp(const QString& Message, const QString& Detail);
  void TempRemoved(TRemoveOperation& Remove);
  void PutInPlace(const QByteArray& RemoteName);
  void PutDone(TPutOperation& Put);

  void Step(std::unique_ptr<TPsftpOperation> Operation, std::function<void()> Lost);
  void Follow(const TPsftpOperation& Operation);
  void Land();
  void End(bool Saved, const QString& Message, const QString& Detail);

  QString Name() const;
  QString Shown(const QByteArray& Path) const;
  QString Writes() const { return QString::fromLocal8Bit(FTarget); }
  // "NAME was not saved: CAUSE. WHERE; your text is still here."
  QString NotSaved(const QString& Cause, const QString& Where) const;
  QString Yours() const;
  QString Kept() const;

  IConversation& FDriver;
  IPage* FPage;
  bool FSavesPage;
  QString FLocalPath;
  QByteArray FTarget;
  QByteArray FTemp;
  QByteArray FBackup;
  int FPermissions;
  TFinished FLanded;
  TFinished FFinished;
  bool FHasLanded = false;
  std::unique_ptr<TPutOperation> FPut;  // until Begin
  TRemoteFingerprint FSent;
  quint64 FSentVersion = 0;
  bool FPageClosed = false;
  bool FEnded = false;
  bool FSaved = false;
  bool FMayBeCut = false;
  bool FInPlace = false;
  qint64 FBytes = -1;
  QString FMessage;
  QString FDetail;
};

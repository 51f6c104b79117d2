#include "remote/session/SafeSave.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include "remote/operations/ChmodOperation.h"
#include "remote/operations/MoveOperation.h"
#include "remote/operations/PutOperation.h"
#include "remote/operations/RemoveOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/PlainMessages.h"

namespace {
const char kMarker[] = ".quillery-";
const QString kUnchanged = "The file on the server is unchanged";
const QString kLost = "the connection was lost";

QByteArray FolderOf(const QByteArray& Path) { return Path.left(Path.lastIndexOf('/') + 1); }
QByteArray NameOf(const QByteArray& Path) { return Path.mid(Path.lastIndexOf('/') + 1); }

// Twelve hex digits: two saves of one file never pick the same names.
QByteArray RandomPart() {
  const quint64 value = QRandomGenerator::system()->generate64() & 0xffffffffffffULL;
  return QByteArray::number(value, 16).rightJustified(12, '0');
}

// psftp refused to open the file for writing, or could not read the local
// copy: nothing was written on the server.
bool OpenRefused(const QString& Line) { return Line.contains(": open for write: "); }
bool NothingWritten(const QString& Line) { return OpenRefused(Line) || Line.startsWith("local: "); }
}  // namespace

bool TSafeSave::Fits(const QByteArray& Target) {
  constexpr int kLongestName = 255;
  return NameOf(TempPathFor(Target, RandomPart())).size() <= kLongestName;
}

QByteArray TSafeSave::TempPathFor(const QByteArray& Target, const QByteArray& Random) {
  return FolderOf(Target) + '.' + NameOf(Target) + kMarker + Random + ".new";
}

QByteArray TSafeSave::BackupPathFor(const QByteArray& Target, const QByteArray& Random) {
  return FolderOf(Target) + '.' + NameOf(Target) + kMarker + Random + ".old";
}

TSafeSave::TSafeSave(IConversation& Driver, const TRequest& Request, TFinished Landed,
                     TFinished Finished)
    : FDriver(Driver),
      FPage(Request.Page),
      FSavesPage(Request.Page != nullptr),
      FLocalPath(Request.LocalPath),
      FTarget(Request.Target),
      FPermissions(Request.Permissions),
      FLanded(std::move(Landed)),
      FFinished(std::move(Finished)) {
  FInPlace = FPermissions < 0;
  if (FPermissions < 0) {
    FPut = std::make_unique<TPutOperation>(FPage, FLocalPath, Request.PutName, FSavesPage);
    return;
  }
  const QByteArray random = RandomPart();
  FTemp = TempPathFor(FTarget, random);
  FBackup = BackupPathFor(FTarget, random);
  FPut = std::make_unique<TPutOperation>(FPage, FLocalPath, FTemp, FSavesPage);
  FPut->SetWrites(Writes());
  // The later steps' names, refused now rather than half way through.
  TChmodOperation(nullptr, FTemp, FPermissions, QString());
  TMoveOperation(nullptr, FTarget, FBackup, QString());
  TMoveOperation(nullptr, FTemp, FTarget, QString());
}

TSafeSave::~TSafeSave() = default;

std::shared_ptr<TSafeSave> TSafeSave::Make(IConversation& Driver, const TRequest& Request,
                                           TFinished Landed, TFinished Finished) {
  return std::shared_ptr<TSafeSave>(
      new TSafeSave(Driver, Request, std::move(Landed), std::move(Finished)));
}

QString TSafeSave::Name() const { return Shown(FTarget); }
QString TSafeSave::Shown(const QByteArray& Path) const {
  return QString::fromLocal8Bit(NameOf(Path));
}
QString TSafeSave::Yours() const { return FSavesPage ? "yours" : "the new one"; }
QString TSafeSave::Kept() const { return FSavesPage ? "; your text is still here." : "."; }

QString TSafeSave::NotSaved(const QString& Cause, const QString& Where) const {
  return QString("%1 was not %2: %3. %4%5")
      .arg(Name(), FSavesPage ? "saved" : "uploaded", Cause, Where, Kept());
}

void TSafeSave::Begin() {
  const QFileInfo local(FLocalPath);
  FBytes = local.exists() ? local.size() : -1;
  FSent = FPut->Sent();
  FSentVersion = FPut->SentVersion();
  TPutOperation* put = FPut.get();
  if (FPermissions < 0) {
    put->OnFinish([self = shared_from_this(), put] { self->PutDone(*put); });
    Step(std::move(FPut), [this] {
      FMayBeCut = true;
      End(false, NotSaved(kLost, "The file on the server may be incomplete"), kLost);
    });
    return;
  }
  put->OnFinish([self = shared_from_this(), put] { self->Uploaded(*put); });
  Step(std::move(FPut), [this] {
    End(false,
        NotSaved(kLost, QString("%1 (an incomplete %2 may be left beside it)")
                            .arg(kUnchanged, Shown(FTemp))),
        kLost);
  });
}

// The page the next step is for: a tab closed meanwhile has none.
void TSafeSave::Follow(const TPsftpOperation& Operation) {
  FPage = Operation.Page();
  if (Operation.PageClosed()) FPageClosed = true;
}

// Lost: what psftp's end before the answer leaves, said from here.
void TSafeSave::Step(std::unique_ptr<TPsftpOperation> Operation, std::function<void()> Lost) {
  Operation->OnDrop([self = shared_from_this(), Lost = std::move(Lost)] { Lost(); });
  FDriver.Start(std::move(Operation));
}

void TSafeSave::Uploaded(TPutOperation& Put) {
  Follow(Put);
  if (!Put.Succeeded() && OpenRefused(Put.Error()) &&
      Put.Error().endsWith(": permission denied", Qt::CaseInsensitive)) {
    FDriver.Debug(QString("The folder does not take %1 (%2): %3 is written in place")
                      .arg(Shown(FTemp), Put.Error(), Name()));
    PutInPlace(FTarget);
    return;
  }
  // A copy psftp could not open was never made: there is nothing of ours to
  // remove, and a name this save did not make is never removed.
  if (!Put.Succeeded() && NothingWritten(Put.Error())) {
    End(false, NotSaved(TPlainMessages::SaveCause(Put.Error()), kUnchanged), Put.Error());
    return;
  }
  if (!Put.Succeeded()) {
    RemoveTemp(NotSaved(TPlainMessages::SaveCause(Put.Error()), kUnchanged), Put.Error());
    return;
  }
  auto chmod = std::make_unique<TChmodOperation>(FPage, FTemp, FPermissions, Writes());
  TChmodOperation* setting = chmod.get();
  setting->OnFinish([self = shared_from_this(), setting] { self->PermissionsSet(*setting); });
  Step(std::move(chmod), [this] {
    End(false,
        NotSaved(kLost, QString("%1 (%2 may be left beside it)").arg(kUnchanged, Shown(FTemp))),
        kLost);
  });
}

// A copy that cannot have the file's bits would change what the file is.
void TSafeSave::PermissionsSet(TChmodOperation& Chmod) {
  Follow(Chmod);
  if (!Chmod.Succeeded()) {
    RemoveTemp(NotSaved(TPlainMessages::SaveCause(Chmod.Error()), kUnchanged), Chmod.Error());
    return;
  }
  MoveAside();
}

void TSafeSave::MoveAside() {
  auto move = std::make_unique<TMoveOperation>(FPage, FTarget, FBackup, Writes());
  TMoveOperation* aside = move.get();
  aside->OnFinish([self = shared_from_this(), aside] { self->MovedAside(*aside); });
  Step(std::move(move), [this] {
    End(false,
        QString("%1 may not have been saved: the connection was lost while it was being "
                "replaced. The old text is in %1 or %2, %4 in %3 on the server%5")
            .arg(Name(), Shown(FBackup), Shown(FTemp), Yours(), Kept()),
        kLost);
  });
}

void TSafeSave::MovedAside(TMoveOperation& Move) {
  Follow(Move);
  const bool gone = !Move.Succeeded() && Move.SourceMissing();
  if (!Move.Succeeded() && !gone) {
    RemoveTemp(NotSaved(TPlainMessages::SaveCause(Move.Error()), kUnchanged), Move.Error());
    return;
  }
  if (gone) FDriver.Debug(Name() + " is no longer on the server: the new copy takes its name");
  auto move = std::make_unique<TMoveOperation>(FPage, FTemp, FTarget, Writes());
  TMoveOperation* in = move.get();
  in->OnFinish([self = shared_from_this(), in, gone] { self->MovedIn(*in, gone); });
  const QString lost =
      gone ? QString(
                 "%1 may not have been saved: the connection was lost. %2 text is in %1 or "
                 "%3 on the server%4")
                 .arg(Name(), FSavesPage ? "Your" : "The new", Shown(FTemp), Kept())
           : QString(
                 "%1 may not have been saved: the connection was lost while it was being "
                 "replaced. The old text is in %2, %4 in %1 or %3 on the server%5")
                 .arg(Name(), Shown(FBackup), Shown(FTemp), Yours(), Kept());
  Step(std::move(move), [this, lost] { End(false, lost, kLost); });
}

void TSafeSave::MovedIn(TMoveOperation& Move, bool OldTextGone) {
  Follow(Move);
  if (!Move.Succeeded() && OldTextGone) {
    RemoveTemp(QString("%1 was not %2: %3%4")
                   .arg(Name(), FSavesPage ? "saved" : "uploaded",
                        TPlainMessages::SaveCause(Move.Error()), Kept()),
               Move.Error());
    return;
  }
  if (!Move.Succeeded()) {
    // The old text goes back under its name before anything else.
    FDetail = Move.Error();
    auto back = std::make_unique<TMoveOperation>(FPage, FBackup, FTarget, Writes());
    TMoveOperation* undo = back.get();
    undo->OnFinish([self = shared_from_this(), undo] { self->MovedBack(*undo); });
    Step(std::move(back), [this] {
      End(false,
          QString("%1 was not saved: the connection was lost while the old text was being put "
                  "back. The old text is in %1 or %2, %4 in %3 on the server%5")
              .arg(Name(), Shown(FBackup), Shown(FTemp), Yours(), Kept()),
          kLost);
    });
    return;
  }
  if (OldTextGone) {
    End(true, "Saved", QString());
    return;
  }
  // The page is saved now; the removal is no upload of its text, so a save
  // asked for meanwhile is checked after it, not held for it.
  Land();
  FPage = nullptr;  // nothing more is the page's, and it may close meanwhile
  auto remove = std::make_unique<TRemoveOperation>(nullptr, FBackup, Writes());
  TRemoveOperation* backup = remove.get();
  backup->OnFinish([self = shared_from_this(), backup] { self->BackupRemoved(*backup); });
  // The new text has its name already: only the old copy's fate is unknown.
  Step(std::move(remove), [this] {
    End(true,
        QString("%1 was saved, but the connection was lost before its old text in %2 was "
                "removed.")
            .arg(Name(), Shown(FBackup)),
        kLost);
  });
}

void TSafeSave::MovedBack(TMoveOperation& Move) {
  Follow(Move);
  const QString cause = TPlainMessages::SaveCause(FDetail);
  if (!Move.Succeeded()) {
    // Both copies stay where they are: removing either could lose a text.
    End(false,
        QString("%1 was not saved: %2, and the old text could not be put back. The old text is "
                "in %3, %5 in %4 on the server%6")
            .arg(Name(), cause, Shown(FBackup), Shown(FTemp), Yours(), Kept()),
        FDetail + "; " + Move.Error());
    return;
  }
  RemoveTemp(NotSaved(cause, kUnchanged), FDetail);
}

// The swap is done, so the page's text is the file's: that is the save.
// A backup left behind is said, never hidden, and never guessed at again.
void TSafeSave::BackupRemoved(TRemoveOperation& Remove) {
  if (!Remove.Succeeded()) {
    End(true,
        QString("%1 was saved. Its old text is left beside it in %2: %3.")
            .arg(Name(), Shown(FBackup), TPlainMessages::SaveCause(Remove.Error())),
        Remove.Error());
    return;
  }
  End(true, "Saved", QString());
}

// The new copy was made by this save, whole or in part: it goes.
void TSafeSave::RemoveTemp(const QString& Message, const QString& Detail) {
  FMessage = Message;
  FDetail = Detail;
  auto remove = std::make_unique<TRemoveOperation>(FPage, FTemp, Writes());
  TRemoveOperation* temp = remove.get();
  temp->OnFinish([self = shared_from_this(), temp] { self->TempRemoved(*temp); });
  Step(std::move(remove), [this] {
    End(false, FMessage + QString(" %1 may be left beside it.").arg(Shown(FTemp)), FDetail);
  });
}

void TSafeSave::TempRemoved(TRemoveOperation& Remove) {
  Follow(Remove);
  if (!Remove.Succeeded())
    FDriver.Debug(QString("%1 was not removed: %2").arg(Shown(FTemp), Remove.Error()));
  End(false, FMessage, FDetail);
}

void TSafeSave::PutInPlace(const QByteArray& RemoteName) {
  FInPlace = true;
  auto put = std::make_unique<TPutOperation>(FPage, FLocalPath, RemoteName, FSavesPage);
  TPutOperation* putting = put.get();
  putting->OnFinish([self = shared_from_this(), putting] { self->PutDone(*putting); });
  Step(std::move(put), [this] {
    FMayBeCut = true;
    End(false, NotSaved(kLost, "The file on the server may be incomplete"), kLost);
  });
}

// psftp opens the file before it writes a byte: a refused open changed
// nothing; any later failure leaves the file cut short.
void TSafeSave::PutDone(TPutOperation& Put) {
  Follow(Put);
  if (Put.Succeeded()) {
    End(true, "Saved", QString());
    return;
  }
  const bool opened = !NothingWritten(Put.Error());
  FMayBeCut = opened;
  End(false,
      NotSaved(TPlainMessages::SaveCause(Put.Error()),
               opened ? "The file on the server may be incomplete"
                      : "Nothing on the server was "
                        "changed"),
      Put.Error());
}

void TSafeSave::Land() {
  if (FHasLanded) return;
  FHasLanded = true;
  FLanded(*this);
}

void TSafeSave::End(bool Saved, const QString& Message, const QString& Detail) {
  if (FEnded) return;
  if (Saved) Land();
  FEnded = true;
  FSaved = Saved;
  FMessage = Message;
  FDetail = Detail;
  FFinished(*this);
}

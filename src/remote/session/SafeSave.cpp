#include "remote/session/SafeSave.h"

#include <QRandomGenerator>

#include "remote/operations/MoveOperation.h"
#include "remote/operations/PutOperation.h"
#include "remote/operations/RemoveOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/PlainMessages.h"

namespace {
const char kMarker[] = ".quillery-";

QByteArray FolderOf(const QByteArray& Path) { return Path.left(Path.lastIndexOf('/') + 1); }
QByteArray NameOf(const QByteArray& Path) { return Path.mid(Path.lastIndexOf('/') + 1); }

// psftp ends a refusal of "mv" or "rm" with its words for the SFTP status
// after the last ": "; "failure" is SFTP's status that names no cause.
QString Cause(const QString& Line) {
  if (Line.startsWith("mv ") || Line.startsWith("rm ")) {
    const QString cause = Line.mid(Line.lastIndexOf(": ") + 2).trimmed();
    return cause.compare("failure", Qt::CaseInsensitive) == 0 ? "the server refused it" : cause;
  }
  return TPlainMessages::Refusal(Line);
}

// Twelve hex digits: two saves of one file never pick the same names.
QByteArray RandomPart() {
  const quint64 value = QRandomGenerator::system()->generate64() & 0xffffffffffffULL;
  return QByteArray::number(value, 16).rightJustified(12, '0');
}
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

TSafeSave::TSafeSave(IConversation& Driver, IPage* Page, const QString& LocalPath,
                     const QByteArray& Target, TFinished Finished)
    : FDriver(Driver), FPage(Page), FTarget(Target), FFinished(std::move(Finished)) {
  const QByteArray random = RandomPart();
  FTemp = TempPathFor(Target, random);
  FBackup = BackupPathFor(Target, random);
  FPut = std::make_unique<TPutOperation>(Page, LocalPath, FTemp, true);
  FPut->SetWrites(QString::fromLocal8Bit(FTarget));
  // The later steps' names, refused now rather than half way through.
  TMoveOperation(nullptr, FTarget, FBackup, QString());
  TMoveOperation(nullptr, FTemp, FTarget, QString());
}

TSafeSave::~TSafeSave() = default;

std::shared_ptr<TSafeSave> TSafeSave::Make(IConversation& Driver, IPage* Page,
                                           const QString& LocalPath, const QByteArray& Target,
                                           TFinished Finished) {
  return std::shared_ptr<TSafeSave>(
      new TSafeSave(Driver, Page, LocalPath, Target, std::move(Finished)));
}

QString TSafeSave::Name() const { return QString::fromLocal8Bit(NameOf(FTarget)); }
QString TSafeSave::Shown(const QByteArray& Path) const {
  return QString::fromLocal8Bit(NameOf(Path));
}

void TSafeSave::Begin() {
  FSent = FPut->Sent();
  FSentVersion = FPut->SentVersion();
  TPutOperation* put = FPut.get();
  put->OnFinish([self = shared_from_this(), put] { self->Uploaded(*put); });
  put->OnDrop([self = shared_from_this()] {
    self->Lost(QString("%1 was not saved: the connection was lost. The file on the server is "
                       "unchanged (an incomplete %2 may be left beside it); your text is still "
                       "here.")
                   .arg(self->Name(), self->Shown(self->FTemp)));
  });
  FDriver.Start(std::move(FPut));
}

// The page the next step is for: a tab closed meanwhile has none.
void TSafeSave::Follow(const TPsftpOperation& Operation) {
  FPage = Operation.Page();
  if (Operation.PageClosed()) FPageClosed = true;
}

void TSafeSave::Step(std::unique_ptr<TPsftpOperation> Operation) {
  FDriver.Start(std::move(Operation));
}

void TSafeSave::Uploaded(TPutOperation& Put) {
  Follow(Put);
  if (!Put.Succeeded()) {
    // The cause names the hidden copy, which the person never asked for.
    QString cause = Cause(Put.Error());
    const QString copy = ": " + Shown(FTemp);
    if (cause.endsWith(copy)) cause.chop(copy.size());
    RemoveTemp(QString("%1 was not saved (%2). The file on the server is unchanged; your text "
                       "is still here.")
                   .arg(Name(), cause),
               Put.Error());
    return;
  }
  auto move =
      std::make_unique<TMoveOperation>(FPage, FTarget, FBackup, QString::fromLocal8Bit(FTarget));
  TMoveOperation* aside = move.get();
  aside->OnFinish([self = shared_from_this(), aside] { self->MovedAside(*aside); });
  aside->OnDrop([self = shared_from_this()] {
    self->Lost(QString("%1 may not have been saved: the connection was lost while it was being "
                       "replaced. The old text is in %1 or %2, yours in %3 on the server; your "
                       "text is still here.")
                   .arg(self->Name(), self->Shown(self->FBackup), self->Shown(self->FTemp)));
  });
  Step(std::move(move));
}

void TSafeSave::MovedAside(TMoveOperation& Move) {
  Follow(Move);
  const bool gone = !Move.Succeeded() && Move.SourceMissing();
  if (!Move.Succeeded() && !gone) {
    RemoveTemp(QString("%1 was not saved (it could not be moved aside: %2). The file on the "
                       "server is unchanged; your text is still here.")
                   .arg(Name(), Cause(Move.Error())),
               Move.Error());
    return;
  }
  if (gone) FDriver.Debug(Name() + " is no longer on the server: the new copy takes its name");
  auto move =
      std::make_unique<TMoveOperation>(FPage, FTemp, FTarget, QString::fromLocal8Bit(FTarget));
  TMoveOperation* in = move.get();
  in->OnFinish([self = shared_from_this(), in, gone] {
    if (gone && !in->Succeeded()) {
      self->RemoveTemp(QString("%1 was not saved (%2). Your text is still here.")
                           .arg(self->Name(), Cause(in->Error())),
                       in->Error());
      return;
    }
    self->MovedIn(*in);
  });
  const QString lost =
      gone ? QString(
                 "%1 may not have been saved: the connection was lost. Your text is in %1 or "
                 "%2 on the server, and still here.")
                 .arg(Name(), Shown(FTemp))
           : QString(
                 "%1 may not have been saved: the connection was lost while it was being "
                 "replaced. The old text is in %2, yours in %1 or %3 on the server; your "
                 "text is still here.")
                 .arg(Name(), Shown(FBackup), Shown(FTemp));
  in->OnDrop([self = shared_from_this(), lost] { self->Lost(lost); });
  if (gone) FBackup.clear();
  Step(std::move(move));
}

void TSafeSave::MovedIn(TMoveOperation& Move) {
  Follow(Move);
  if (!Move.Succeeded()) {
    // The old text goes back under its name before anything else.
    FDetail = Move.Error();
    auto back =
        std::make_unique<TMoveOperation>(FPage, FBackup, FTarget, QString::fromLocal8Bit(FTarget));
    TMoveOperation* undo = back.get();
    undo->OnFinish([self = shared_from_this(), undo] { self->MovedBack(*undo); });
    undo->OnDrop([self = shared_from_this()] {
      self->Lost(QString("%1 was not saved: the connection was lost while the old text was being "
                         "put back. The old text is in %1 or %2, yours in %3 on the server; your "
                         "text is still here.")
                     .arg(self->Name(), self->Shown(self->FBackup), self->Shown(self->FTemp)));
    });
    Step(std::move(back));
    return;
  }
  if (FBackup.isEmpty()) {
    End(true, "Saved", QString());
    return;
  }
  auto remove = std::make_unique<TRemoveOperation>(FPage, FBackup, QString::fromLocal8Bit(FTarget));
  TRemoveOperation* backup = remove.get();
  backup->OnFinish([self = shared_from_this(), backup] { self->BackupRemoved(*backup); });
  // The new text has its name already: only the old copy's fate is unknown.
  backup->OnDrop([self = shared_from_this()] {
    self->End(true,
              QString("%1 was saved, but the connection was lost before the old text in %2 was "
                      "removed.")
                  .arg(self->Name(), self->Shown(self->FBackup)),
              QString());
  });
  Step(std::move(remove));
}

void TSafeSave::MovedBack(TMoveOperation& Move) {
  Follow(Move);
  const QString cause = Cause(FDetail);
  if (!Move.Succeeded()) {
    // Both copies stay where they are: removing either could lose a text.
    End(false,
        QString("%1 was not saved (%2), and the old text could not be put back. The old text is "
                "in %3, yours in %4 on the server; your text is still here.")
            .arg(Name(), cause, Shown(FBackup), Shown(FTemp)),
        FDetail + "; " + Move.Error());
    return;
  }
  RemoveTemp(QString("%1 was not saved (%2). The file on the server is unchanged; your text is "
                     "still here.")
                 .arg(Name(), cause),
             FDetail);
}

// The swap is done, so the page's text is the file's: that is the save.
// A backup left behind is said, never hidden.
void TSafeSave::BackupRemoved(TRemoveOperation& Remove) {
  Follow(Remove);
  if (!Remove.Succeeded()) {
    End(true,
        QString("%1 was saved, but the old text is left in %2 (%3).")
            .arg(Name(), Shown(FBackup), Cause(Remove.Error())),
        Remove.Error());
    return;
  }
  End(true, "Saved", QString());
}

// The new copy was made by this save, whole or in part: it goes.
void TSafeSave::RemoveTemp(const QString& Message, const QString& Detail) {
  FMessage = Message;
  FDetail = Detail;
  auto remove = std::make_unique<TRemoveOperation>(FPage, FTemp, QString::fromLocal8Bit(FTarget));
  TRemoveOperation* temp = remove.get();
  temp->OnFinish([self = shared_from_this(), temp] { self->TempRemoved(*temp); });
  temp->OnDrop([self = shared_from_this()] {
    self->End(false,
              self->FMessage + QString(" %1 may be left beside it.").arg(self->Shown(self->FTemp)),
              self->FDetail);
  });
  Step(std::move(remove));
}

void TSafeSave::TempRemoved(TRemoveOperation& Remove) {
  Follow(Remove);
  // A "put" refused before it wrote leaves no copy to remove.
  if (!Remove.Succeeded())
    FDriver.Debug(QString("%1 was not removed: %2").arg(Shown(FTemp), Remove.Error()));
  End(false, FMessage, FDetail);
}

void TSafeSave::Lost(const QString& Message) { End(false, Message, "the connection was lost"); }

void TSafeSave::End(bool Saved, const QString& Message, const QString& Detail) {
  if (FEnded) return;
  FEnded = true;
  FSaved = Saved;
  FMessage = Message;
  FDetail = Detail;
  FFinished(*this);
}

#include "remote/session/FileCommands.h"

#include <QFile>
#include <memory>

#include "core/Exception.h"
#include "remote/editing/DriverPage.h"
#include "remote/editing/RemoteCheck.h"
#include "remote/listing/Directories.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/GetOperation.h"
#include "remote/operations/MakeDirOperation.h"
#include "remote/operations/MoveOperation.h"
#include "remote/operations/PutOperation.h"
#include "remote/operations/RemoveOperation.h"
#include "remote/operations/StatOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/PlainMessages.h"

namespace {

QByteArray Bytes(const QString& S) { return S.toLocal8Bit(); }
QString Text(const QByteArray& B) { return QString::fromLocal8Bit(B); }
QString NameOf(const QString& Path) { return Path.mid(Path.lastIndexOf('/') + 1); }
QString FolderOf(const QString& Path) {
  const qsizetype slash = Path.lastIndexOf('/');
  return slash <= 0 ? QString("/") : Path.left(slash);
}
QString Join(const QString& Folder, const QString& Name) {
  if (Folder.isEmpty()) return Name;
  return Folder + (Folder.endsWith('/') ? "" : "/") + Name;
}

// Runs Make, which builds an operation; a name psftp cannot take throws
// there, and its words come back instead of an empty text.
template <class TMake>
QString Sent(TMake Make) {
  try {
    Make();
    return QString();
  } catch (const Exception& e) {
    return e.Message();
  }
}

}  // namespace

QString TFileCommands::Folder(const IPage& Page) const {
  return Page.Dir() ? Page.Dir()->Name() : FDriver.CurrentDir();
}

QString TFileCommands::PathIn(const IPage& Page, const QString& Name) const {
  return Join(Folder(Page), Name);
}

QString TFileCommands::CheckName(const QString& Name) {
  if (Name.trimmed().isEmpty()) return "Type a name.";
  if (Name == "." || Name == "..") return QString("\"%1\" cannot be used as a name.").arg(Name);
  if (Name.contains('/')) return "A name cannot contain \"/\".";
  for (const QChar c : Name)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
      return "A name cannot contain control characters.";
  return QString();
}

// psftp shows a name as the server gave it, minus control characters, so a
// name the list shows more than once is taken too.
QString TFileCommands::Taken(const IPage& Page, const QString& Name) const {
  const TDir* dir = Page.Dir();
  if (dir && dir->CountNamed(Name) > 0) return QString("%1 already exists.").arg(Name);
  return QString();
}

QString TFileCommands::Resolve(const QString& Current, const QString& Home, const QString& Typed) {
  QString path = Typed.trimmed();
  if (path == "~")
    path = Home;
  else if (path.startsWith("~/"))
    path = Join(Home, path.mid(2));
  else if (!path.startsWith('/'))
    path = Join(Current, path);
  // "." and ".." are resolved here, so the status panel and the pages name
  // the folder one way only; the server resolves links itself.
  QStringList parts;
  for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts << part;
  }
  return "/" + parts.join('/');
}

QByteArray TFileCommands::Follow(const QByteArray& Path, const QByteArray& From,
                                 const QByteArray& To) {
  if (Path == From) return To;
  if (Path.startsWith(From + "/")) return To + Path.mid(From.size());
  return QByteArray();
}

void TFileCommands::Relist(const QString& Folder) { FEntries.Relist(Folder); }

void TFileCommands::Refused(const QString& Text, const QString& Detail) {
  FDriver.SetStatus(Text, 0, Detail);
  FDriver.Debug("Refused: " + Detail);
}

// "NAME was not created: CAUSE", the cause taken from psftp's Line.
void TFileCommands::NotDone(const QString& Name, const QString& Done, const QString& Line) {
  Refused(QString("%1 was not %2: %3").arg(Name, Done, TPlainMessages::Cause(Line)), Line);
}

QString TFileCommands::Refresh(IPage* Page) {
  const QString folder = Folder(*Page);
  if (folder.isEmpty()) return "There is no folder to refresh.";
  return Sent([&] { FDriver.EnterDir(Page, Bytes(folder), {}); });
}

QString TFileCommands::GoToFolder(IPage* Page, const QString& Typed) {
  if (Typed.trimmed().isEmpty()) return "Type a folder.";
  const QString current = Folder(*Page).isEmpty() ? FDriver.HomeDir() : Folder(*Page);
  const QString path = Resolve(current, FDriver.HomeDir(), Typed);
  return Sent([&] { FDriver.EnterDir(Page, Bytes(path), {}); });
}

QString TFileCommands::NewFolder(IPage* Page, const QString& Name) {
  QString refusal = CheckName(Name);
  if (refusal.isEmpty()) refusal = Taken(*Page, Name);
  if (!refusal.isEmpty()) return refusal;
  return Sent([&] {
    FDriver.Start(
        IConversation::Bind(std::make_unique<TMakeDirOperation>(nullptr,
                                                                Bytes(PathIn(*Page, Name))),
                            *this, &TFileCommands::FinishMakeDir));
  });
}

void TFileCommands::FinishMakeDir(TMakeDirOperation& Make) {
  const QString path = Text(Make.Path());
  if (!Make.Succeeded()) {
    NotDone(NameOf(path), "created", Make.Error());
    FEntries.Look(FolderOf(path), {NameOf(path)});
    return;
  }
  FDriver.SetStatus(QString("Created %1").arg(NameOf(path)), 0);
  FEntries.Created(FolderOf(path), NameOf(path), true, -1);
}

// "put" would empty a file that appeared since the list was read, so the
// name is looked up on the server just before; only a name it does not
// show is written.
QString TFileCommands::NewFile(IPage* Page, const QString& Name) {
  QString refusal = CheckName(Name);
  if (refusal.isEmpty()) refusal = Taken(*Page, Name);
  if (!refusal.isEmpty()) return refusal;
  TRemoteCheck check;
  check.RemotePath = Bytes(PathIn(*Page, Name));
  if (!TStatOperation::CanList(check.RemotePath))
    return QString("%1 cannot be created in a folder whose name holds * ? [ or ].").arg(Name);
  return Sent([&] {
    FDriver.Start(IConversation::Bind(std::make_unique<TStatOperation>(nullptr, check), *this,
                                      &TFileCommands::FinishStat));
  });
}

void TFileCommands::FinishStat(TStatOperation& Stat) {
  const QByteArray path = Stat.Check().RemotePath;
  if (!Stat.Succeeded()) {
    NotDone(NameOf(Text(path)), "created", Stat.Error());
    Relist(FolderOf(Text(path)));
    return;
  }
  // The answer shows the file that is there: the list takes it.
  if (!Stat.Missing()) {
    Refused(QString("%1 already exists.").arg(NameOf(Text(path))), QString());
    FEntries.Take(FolderOf(Text(path)), Stat);
    return;
  }
  const QString empty = NewWorkFile(".new-");
  QFile file(empty);
  if (!file.open(QIODevice::WriteOnly)) {
    Refused(
        QString("%1 was not created: no empty local file could be made").arg(NameOf(Text(path))),
        file.errorString());
    return;
  }
  file.close();
  auto put = std::make_unique<TPutOperation>(nullptr, empty, path, false);
  put->SetWrites(Text(path));
  FDriver.Start(IConversation::Bind(std::move(put), *this, &TFileCommands::FinishPut));
}

void TFileCommands::FinishPut(TPutOperation& Put) {
  QFile::remove(Put.LocalPath());
  const QString path = Text(Put.RemotePath());
  if (!Put.Succeeded()) {
    NotDone(NameOf(path), "created", Put.Error());
    FEntries.Look(FolderOf(path), {NameOf(path)});
    return;
  }
  FEntries.Created(FolderOf(path), NameOf(path), false, 0);
  FDriver.SetStatus(QString("Created %1").arg(NameOf(path)), 0);
  IPage* page = FHooks.NewPage ? FHooks.NewPage() : nullptr;
  if (!page) return;
  page->SetDir(FDriver.Directories().Find(FolderOf(path)));
  FDriver.OpenFile(page, Put.RemotePath());
}

QString TFileCommands::Rename(IPage* Page, const TFile& Entry, const QString& NewName) {
  if (NewName == Entry.RemoteName()) return QString();
  QString refusal = CheckName(NewName);
  if (refusal.isEmpty()) refusal = Taken(*Page, NewName);
  if (!refusal.isEmpty()) return refusal;
  const QByteArray from = Bytes(PathIn(*Page, Entry.RemoteName()));
  const QByteArray to = Bytes(PathIn(*Page, NewName));
  return Sent([&] {
    FDriver.Start(
        IConversation::Bind(std::make_unique<TMoveOperation>(nullptr, from, to, QString()), *this,
                            &TFileCommands::FinishMove));
  });
}

void TFileCommands::FinishMove(TMoveOperation& Move) {
  const QString from = Text(Move.From());
  const QString to = NameOf(Text(Move.To()));
  if (!Move.Succeeded()) {
    NotDone(NameOf(from), "renamed", Move.Error());
    FEntries.Look(FolderOf(from), {NameOf(from), to});
    return;
  }
  FEntries.Renamed(FolderOf(from), NameOf(from), to);
  Moved(Move.From(), Move.To());
  FDriver.SetStatus(QString("Renamed %1 to %2").arg(NameOf(from), to), 0);
}

QString TFileCommands::Delete(IPage* Page, const std::vector<const TFile*>& Entries) {
  // A folder the list has shown with entries is refused before anything goes.
  for (const TFile* entry : Entries) {
    if (!entry->IsDirectory() || entry->IsLink()) continue;
    const TDir* listed = FDriver.Directories().Find(PathIn(*Page, entry->RemoteName()));
    if (listed && listed->Count() > listed->CountNamed(".."))
      return QString("%1 is not empty.").arg(entry->RemoteName());
  }
  return Sent([&] {
    for (const TFile* entry : Entries) {
      const auto kind = entry->IsDirectory() && !entry->IsLink() ? TRemoveOperation::TKind::Folder
                                                                 : TRemoveOperation::TKind::File;
      FDriver.Start(IConversation::Bind(
          std::make_unique<TRemoveOperation>(nullptr, Bytes(PathIn(*Page, entry->RemoteName())),
                                             QString(), kind),
          *this, &TFileCommands::FinishRemove));
    }
  });
}

void TFileCommands::FinishRemove(TRemoveOperation& Remove) {
  const QString path = Text(Remove.Path());
  const QString name = NameOf(path);
  if (Remove.Succeeded()) {
    FEntries.Removed(FolderOf(path), name);
    Removed(Remove.Path());
    FDriver.SetStatus(QString("Deleted %1").arg(name), 0);
    return;
  }
  if (Remove.Command().startsWith("rmdir") && Remove.Error().endsWith(": failure")) {
    // OpenSSH's server words every cause but a missing folder and a denied
    // permission as "failure"; for a folder that exists and may be changed,
    // that is one that still holds something.
    Refused(QString("%1 is not empty.").arg(name), Remove.Error());
  } else {
    NotDone(name, "deleted", Remove.Error());
  }
  FEntries.Look(FolderOf(path), {name});
}

QString TFileCommands::DownloadCopy(IPage* Page, const TFile& Entry, const QString& LocalPath) {
  const QString work = NewWorkFile(".copy-");
  return Sent([&] {
    auto get =
        std::make_unique<TGetOperation>(nullptr, Bytes(PathIn(*Page, Entry.RemoteName())), work);
    get->SetExpectedSize(Entry.Size());
    FCopies.emplace_back(work, LocalPath);
    FDriver.Start(IConversation::Bind(std::move(get), *this, &TFileCommands::FinishDownload));
  });
}

void TFileCommands::FinishDownload(TGetOperation& Get) {
  QString target;
  for (auto it = FCopies.begin(); it != FCopies.end(); ++it) {
    if (it->first != Get.LocalPath()) continue;
    target = it->second;
    FCopies.erase(it);
    break;
  }
  const QString name = NameOf(Text(Get.RemotePath()));
  if (!Get.Succeeded()) {
    QFile::remove(Get.LocalPath());
    NotDone(name, "downloaded", Get.Error());
    return;
  }
  try {
    ReplaceFile(Get.LocalPath(), target);
    FDriver.SetStatus(QString("Downloaded %1").arg(name), 0, target);
  } catch (const Exception& e) {
    QFile::remove(Get.LocalPath());
    Refused(QString("%1 was not downloaded: %2").arg(name, e.Message()), e.Message());
  }
}

// A page whose file, or a folder above it, was renamed saves to the new
// name from now on; its fingerprint goes with it, so the check before the
// next save knows the file. Its local copy takes the new name too, which
// the tab shows.
void TFileCommands::Moved(const QByteArray& From, const QByteArray& To) {
  if (!FHooks.ForEachPage) return;
  FHooks.ForEachPage([&](IPage* Page) {
    TRemoteDocument& document = Page->Document();
    const QByteArray path = Follow(document.RemotePath, From, To);
    if (path.isEmpty()) return;
    document.RemotePath = path;
    if (!Follow(document.Fingerprint.RemotePath, From, To).isEmpty())
      document.Fingerprint.RemotePath = path;
    if (!document.LocalPath.isEmpty()) {
      const QString renamed = Join(FolderOf(document.LocalPath), LocalNameFor(NameOf(Text(path))));
      if (renamed == document.LocalPath || QFile::rename(document.LocalPath, renamed) ||
          !QFile::exists(document.LocalPath))
        document.LocalPath = renamed;
    }
    Page->DocumentChanged();
  });
  // A page that shows the renamed folder, or one below it, lists it again
  // under its new name.
  FHooks.ForEachPage([&](IPage* Page) {
    const QByteArray dir = Page->Dir() ? Bytes(Page->Dir()->Name()) : QByteArray();
    const QByteArray moved = Follow(dir, From, To);
    if (!moved.isEmpty() && moved != dir) FDriver.EnterDir(Page, moved, {});
  });
}

// The page keeps its text; its next save asks before it puts the file back.
void TFileCommands::Removed(const QByteArray& Path) {
  if (!FHooks.ForEachPage) return;
  FHooks.ForEachPage([&](IPage* Page) {
    TRemoteDocument& document = Page->Document();
    if (document.RemotePath != Path) return;
    document.OnServer = false;
    document.DeletedHere = true;
    Page->DocumentChanged();
  });
}

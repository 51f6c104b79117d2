#include "remote/session/EntryUpdate.h"

#include <QDateTime>

#include "core/Exception.h"
#include "remote/editing/RemoteCheck.h"
#include "remote/listing/Directories.h"
#include "remote/operations/StatOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/DriverView.h"

namespace {
// A long listing line costs about this much of psftp's reading.
constexpr qint64 kListingBytesPerEntry = 100;
// Below this a transfer costs its requests rather than its bytes.
constexpr qint64 kSmallTransfer = 64 * 1024;

QString Join(const QString& Folder, const QString& Name) {
  return Folder + (Folder.endsWith('/') ? "" : "/") + Name;
}

std::unique_ptr<TFile> FileOf(const TListingParser::TEntry& Entry) {
  auto file = std::make_unique<TFile>(Entry.Name);
  file->SetIsDirectory(Entry.IsDirectory);
  file->SetIsLink(Entry.IsLink);
  file->SetSize(Entry.Size);
  file->SetListedTime(Entry.Time);
  file->SetPermissions(Entry.Permissions);
  file->SetLinks(Entry.Links);
  return file;
}

std::unique_ptr<TFile> CopyNamed(const TFile& From, const QString& Name) {
  auto file = std::make_unique<TFile>(Name);
  file->SetIsDirectory(From.IsDirectory());
  file->SetIsLink(From.IsLink());
  file->SetSize(From.Size());
  file->SetListedTime(From.ListedTime());
  file->SetPermissions(From.Permissions());
  file->SetLinks(From.Links());
  return file;
}
}  // namespace

// The names of one Look, answered one by one; the folder is shown once.
struct TEntryUpdate::TLooking {
  QString Folder;
  int Waiting = 0;
  bool Relist = false;
};

bool TEntryUpdate::ListingIsCheap(const TDir* Dir, qint64 FileBytes) {
  if (!Dir) return true;
  return Dir->Count() * kListingBytesPerEntry <= qMax(FileBytes, kSmallTransfer);
}

void TEntryUpdate::Look(const QString& Folder, const QStringList& Names) {
  if (!FDriver.Directories().Find(Folder)) return;
  auto looking = std::make_shared<TLooking>();
  looking->Folder = Folder;
  std::vector<std::unique_ptr<TStatOperation>> stats;
  try {
    for (const QString& name : Names) {
      TRemoteCheck check;
      check.RemotePath = Join(Folder, name).toLocal8Bit();
      if (!TStatOperation::CanList(check.RemotePath)) return Relist(Folder);
      stats.push_back(std::make_unique<TStatOperation>(nullptr, check));
    }
  } catch (const Exception& e) {
    FDriver.Debug("A name cannot be listed alone: " + e.Message());
    return Relist(Folder);
  }
  looking->Waiting = int(stats.size());
  for (auto& stat : stats) {
    TStatOperation* asking = stat.get();
    asking->SetUpdatesListing();
    asking->OnFinish([this, looking, asking] { Answered(*looking, *asking); });
    FDriver.Start(std::move(stat));
  }
}

void TEntryUpdate::Answered(TLooking& Looking, const TStatOperation& Stat) {
  if (!Apply(Looking.Folder, Stat)) Looking.Relist = true;
  if (--Looking.Waiting > 0) return;
  if (Looking.Relist)
    Relist(Looking.Folder);
  else
    Show(Looking.Folder);
}

void TEntryUpdate::Take(const QString& Folder, const TStatOperation& Stat) {
  if (Apply(Folder, Stat))
    Show(Folder);
  else
    Relist(Folder);
}

// Only lines that name exactly the asked entry count (TStatOperation); a
// folder that is gone holds that name no more.
bool TEntryUpdate::Apply(const QString& Folder, const TStatOperation& Stat) {
  if (!Stat.Succeeded()) {
    FDriver.Debug("The listing of one name was refused: " + Stat.Error());
    return false;
  }
  TDir* dir = FDriver.Directories().Find(Folder);
  if (!dir) return true;
  const QByteArray& path = Stat.Check().RemotePath;
  const QString name = QString::fromLocal8Bit(path.mid(path.lastIndexOf('/') + 1));
  // psftp strips control characters from the names it shows, but matches
  // the pattern against the whole name: of two entries shown alike, the
  // answer shows only the one whose name it is.
  if (dir->CountNamed(name) > 1) return false;
  std::vector<TDir::TListed> entries;
  if (!Stat.Missing())
    for (const TListingParser::TEntry& entry : Stat.Entries())
      entries.push_back({FileOf(entry), entry.Owner});
  dir->Update(name, std::move(entries), QDateTime::currentDateTime());
  return true;
}

// Two entries that show one name cannot be told apart, nor listed alone:
// the folder is listed.
void TEntryUpdate::Removed(const QString& Folder, const QString& Name) {
  TDir* dir = FDriver.Directories().Find(Folder);
  if (!dir) return;
  if (dir->CountNamed(Name) > 1) return Relist(Folder);
  dir->Remove(Name);
  Show(Folder);
}

void TEntryUpdate::Renamed(const QString& Folder, const QString& From, const QString& To) {
  TDir* dir = FDriver.Directories().Find(Folder);
  if (!dir) return;
  const TFile* entry = dir->FindNamed(From);
  if (!entry || dir->CountNamed(To) > 0) return Look(Folder, {From, To});
  std::vector<TDir::TListed> moved;
  moved.push_back({CopyNamed(*entry, To), dir->Owner(*entry)});
  const QDateTime listedAt = dir->ListedAt(*entry);
  dir->Remove(From);
  dir->Update(To, std::move(moved), listedAt);
  Show(Folder);
}

// A swap's new copy was made by this user, with the file's bits and one
// link (TSwapChoice swaps only a file of the user's own); a file written in
// place keeps its owner, bits and links. Only its time is the server's.
void TEntryUpdate::Replaced(const QString& Folder, const QString& Name, qint64 Bytes, bool Swapped,
                            int Permissions) {
  TDir* dir = FDriver.Directories().Find(Folder);
  if (!dir) return;
  const TFile* old = dir->FindNamed(Name);
  if (!old || old->IsDirectory() || old->IsLink() || Bytes < 0 || ListingIsCheap(dir, 0))
    return Look(Folder, {Name});
  auto file = CopyNamed(*old, Name);
  file->SetSize(Bytes);
  file->SetListedTime(TListedTime());
  if (Swapped) {
    file->SetPermissions(Permissions);
    file->SetLinks(1);
  }
  std::vector<TDir::TListed> entries;
  entries.push_back({std::move(file), dir->Owner(*old)});
  dir->Update(Name, std::move(entries), QDateTime::currentDateTime());
  Show(Folder);
}

void TEntryUpdate::Created(const QString& Folder, const QString& Name, bool IsDirectory,
                           qint64 Bytes) {
  TDir* dir = FDriver.Directories().Find(Folder);
  if (!dir) return;
  if (ListingIsCheap(dir, 0) || dir->CountNamed(Name) > 0) return Look(Folder, {Name});
  auto file = std::make_unique<TFile>(Name);
  file->SetIsDirectory(IsDirectory);
  file->SetSize(Bytes);
  std::vector<TDir::TListed> entries;
  entries.push_back({std::move(file), QString()});
  dir->Update(Name, std::move(entries), QDateTime::currentDateTime());
  Show(Folder);
}

void TEntryUpdate::Relist(const QString& Folder) {
  if (FDriver.PsftpRunning()) FDriver.EnterDir(nullptr, Folder.toLocal8Bit(), {});
}

void TEntryUpdate::Show(const QString& Folder) {
  if (TDir* dir = FDriver.Directories().Find(Folder)) FDriver.View().DirectoryListed(nullptr, dir);
}

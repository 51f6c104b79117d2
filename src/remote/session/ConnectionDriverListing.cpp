// Listing remote directories and moving through them.
#include <memory>

#include "core/Exception.h"
#include "remote/editing/DriverPage.h"
#include "remote/listing/ListingParser.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/ChangeDirOperation.h"
#include "remote/operations/GetOperation.h"
#include "remote/operations/ListOperation.h"
#include "remote/session/ConnectionDriver.h"

void TConnectionDriver::FinishChangeDir(TChangeDirOperation& ChangeDir) {
  ListEnteredDir(ChangeDir, TListed());
}

void TConnectionDriver::ListEnteredDir(TChangeDirOperation& ChangeDir, TListed Listed) {
  if (ChangeDir.PageClosed()) {
    Debug("Change of directory: its tab was closed");
  }
  if (!ChangeDir.Succeeded() && !ChangeDir.FallbackLocalPath().isEmpty()) {
    Debug("Not a directory, so fetched as a file: " + QString::fromLocal8Bit(ChangeDir.AskedDir()));
    Start(Bind(std::make_unique<TGetOperation>(ChangeDir.Page(), ChangeDir.AskedDir(),
                                               ChangeDir.FallbackLocalPath()),
               &TConnectionDriver::FinishGet));
    return;
  }
  if (!ChangeDir.Succeeded()) {
    ReportFailure(ChangeDir);
    return;
  }
  SetCurrentDir(ChangeDir.NewDir());
  auto list = std::make_unique<TListOperation>(ChangeDir.Page(), ChangeDir.NewDir());
  TListOperation& listing = *list;
  listing.OnFinish([this, &listing, Listed = std::move(Listed)] {
    TDir* dir = ShowList(listing);
    if (dir && Listed && listing.Page()) Listed(listing.Page(), dir);
  });
  // "ls" lists wherever psftp is: it goes before anything queued meanwhile,
  // which may be another "cd".
  FQueue.push_front(std::move(list));
  WriteNext();
}

void TConnectionDriver::EnterDir(IPage* Page, const QByteArray& Dir, TListed Listed) {
  auto changeDir = std::make_unique<TChangeDirOperation>(Page, Dir);
  TChangeDirOperation& entering = *changeDir;
  entering.OnFinish(
      [this, &entering, Listed = std::move(Listed)] { ListEnteredDir(entering, Listed); });
  Start(std::move(changeDir));
}

void TConnectionDriver::ListCurrentDir() {
  if (FCurrentDir.isEmpty()) return;
  Start(
      Bind(std::make_unique<TListOperation>(nullptr, FCurrentDir), &TConnectionDriver::FinishList));
}

TDir* TConnectionDriver::ShowList(TListOperation& List) {
  if (!List.Succeeded()) {
    ReportFailure(List);
    return nullptr;
  }
  SetDownloading(false);
  List.Entries().Sort();
  // The old entries go with the operation.
  TDir* dir = FDirectories.Store(List.Dir(), List.Entries(), QDateTime::currentDateTime());

  if (List.PageClosed()) Debug("Listing shown nowhere: its tab was closed");
  FView.DirectoryListed(List.Page(), dir);
  Debug("OnListDirectory finished");
  return dir;
}

// psftp resolves relative names against its own current directory, which
// another page may have moved; so an entry is always named by the directory
// its page shows, and by its whole listed name (a backslash is an ordinary
// character on the server, and a name beginning "-" is then no option).
QString TConnectionDriver::RemotePathOf(const IPage& Page, const TFile& File) const {
  const TDir* shown = Page.Dir();
  const QString dir = shown ? shown->Name() : FCurrentDir;
  if (dir.isEmpty()) return File.RemoteName();
  return dir + (dir.endsWith('/') ? "" : "/") + File.RemoteName();
}

void TConnectionDriver::OpenFile(IPage* Page, const QByteArray& Path) {
  auto get = std::make_unique<TGetOperation>(Page, Path, NewWorkFile(".get-"));
  TGetOperation* receiving = get.get();
  get->OnDrop([this, receiving] {
    if (receiving->Page()) Listener().DownloadEnded(receiving->Page());
  });
  SetDownloading(true);
  Start(Bind(std::move(get), &TConnectionDriver::FinishGet));
}

void TConnectionDriver::Open(IPage* Page, const TFile& Entry) {
  const QByteArray path = RemotePathOf(*Page, Entry).toLocal8Bit();
  // Each operation checks its names when it is made: a name psftp cannot
  // take leaves nothing busy.
  if (Entry.IsDirectory() || Entry.IsLink()) {
    auto changeDir = std::make_unique<TChangeDirOperation>(Page, path);
    // A link to a file refuses the "cd"; it is then fetched as a file.
    if (Entry.IsLink()) changeDir->SetFallback(NewWorkFile(".get-"));
    SetDownloading(true);
    Start(Bind(std::move(changeDir), &TConnectionDriver::FinishChangeDir));
  } else {
    auto get = std::make_unique<TGetOperation>(Page, path, NewWorkFile(".get-"));
    get->SetExpectedSize(Entry.Size());
    TRemoteFingerprint listed;
    // An entry updated since the folder was listed was listed later itself.
    listed.SetListing(Entry, Page->Dir() ? Page->Dir()->ListedAt(Entry) : QDateTime());
    get->SetListed(listed);
    TGetOperation* receiving = get.get();
    get->OnDrop([this, receiving] {
      if (receiving->Page()) Listener().DownloadEnded(receiving->Page());
    });
    SetDownloading(true);
    Start(Bind(std::move(get), &TConnectionDriver::FinishGet));
  }
}

// Checking, before a save, that nobody else has changed the remote file
// since the page last saw it.
//
// The check takes one psftp command when nothing changed: an "ls" of the one
// file when its listing can tell (see TRemoteFingerprint), else a "get" of it
// into a work file whose SHA-256 is compared. Only a listing that differs
// from what the page saw, or a refused listing, adds the "get" after the
// "ls"; the server's bytes are then at hand for the window to show.
//
// A large file whose listing cannot tell that it is unchanged is listed all
// the same before it is fetched, when that costs little: a regular file that
// lists another size than the bytes the page saw holds other bytes, which
// is a change for certain, and nothing is fetched. Its bytes are fetched
// only if the person asks to see them. An equal size proves nothing: the
// bytes are fetched and compared then.
#include "remote/session/SaveCheck.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "remote/editing/DriverPage.h"
#include "remote/editing/RemoteCheck.h"
#include "remote/editing/TransferListener.h"
#include "remote/listing/Directories.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/CompareOperation.h"
#include "remote/operations/StatOperation.h"
#include "remote/session/Conversation.h"

namespace {
using TVerdict = TRemoteCheck::TVerdict;

// psftp's "ls" reads the whole directory to find the one name, while a
// "get" reads the one file: a long line costs about this much.
constexpr qint64 kListingBytesPerEntry = 100;
// Below this a transfer costs its requests rather than its bytes.
constexpr qint64 kSmallTransfer = 64 * 1024;

QByteArray DirOf(const QByteArray& RemotePath) {
  const qsizetype slash = RemotePath.lastIndexOf('/');
  return slash == 0 ? QByteArray("/") : RemotePath.left(slash);
}

// A file that is not there has nothing of anyone's to lose, unless the page
// saw it there.
TVerdict Absent(const TRemoteCheck& Check) {
  return Check.Seen.Describes(Check.RemotePath) ? TVerdict::Deleted : TVerdict::Unchanged;
}
}  // namespace

// psftp's "put" without a remote name writes the local file's own name into
// its current directory.
QByteArray TSaveCheck::Target(const IPage& Page, const QString& LocalPath) const {
  const QByteArray remote = Page.RemoteFileName();
  if (!remote.isEmpty()) return remote;
  const QByteArray name = QFileInfo(LocalPath).fileName().toLocal8Bit();
  if (FDriver.CurrentDir().isEmpty()) return name;
  const QByteArray dir = FDriver.CurrentDir().toLocal8Bit();
  return dir + (dir.endsWith('/') ? "" : "/") + name;
}

void TSaveCheck::Check(IPage* Page, const QString& LocalPath) {
  if (Checking(Page)) return;
  CheckLocalTarget(LocalPath);
  TRemoteCheck check;
  check.LocalPath = LocalPath;
  check.RemotePath = Target(*Page, LocalPath);
  check.Seen = Page->RemoteFingerprint();
  const bool seen = check.Seen.Describes(check.RemotePath);
  // For a small file the listing would only add a request to the "get".
  const bool sizeTells = check.Seen.SizeTells() && check.Seen.Bytes > kSmallTransfer;
  if (TStatOperation::CanList(check.RemotePath) &&
      (!seen || check.Seen.ListingTells() || sizeTells) && ListingIsCheaper(check)) {
    FDriver.Start(IConversation::Bind(std::make_unique<TStatOperation>(Page, check), *this,
                                      &TSaveCheck::FinishStat));
    return;
  }
  FDriver.Start(
      IConversation::Bind(std::make_unique<TCompareOperation>(Page, check, NewWorkFile(".get-")),
                          *this, &TSaveCheck::FinishCompare));
}

// The directory's size is known when a page has listed it.
bool TSaveCheck::ListingIsCheaper(const TRemoteCheck& Check) const {
  const TDir* dir = FDriver.Directories().Find(QString::fromLocal8Bit(DirOf(Check.RemotePath)));
  if (!dir) return true;
  const qint64 fileBytes = Check.Seen.Describes(Check.RemotePath)
                               ? qMax<qint64>(0, qMax(Check.Seen.ListedSize, Check.Seen.Bytes))
                               : 0;
  return dir->Count() * kListingBytesPerEntry <= qMax(fileBytes, kSmallTransfer);
}

bool TSaveCheck::Checking(const IPage* Page) const {
  for (const auto& waiting : FWaiting)
    if (waiting->Page == Page) return true;
  return FDriver.AnyOperation([Page](const TPsftpOperation& Operation) {
    return Operation.Page() == Page && Operation.IsCheck();
  });
}

// A listing that cannot decide hands over to the bytes: it differs from what
// the page saw (a change, or only a new time), names the entry twice, or was
// refused (a directory that cannot be read may hold a file that can).
void TSaveCheck::FinishStat(TStatOperation& Stat) {
  TRemoteCheck& check = Stat.Check();
  if (Stat.Missing()) {
    check.Verdict = Absent(check);
    return EndCheck(Stat.Page(), check);
  }
  if (Stat.Succeeded() && !check.Seen.Describes(check.RemotePath)) {
    check.Verdict = TVerdict::Exists;
    return EndCheck(Stat.Page(), check);
  }
  if (Stat.Succeeded() && Stat.Matches() == 1) {
    const TListingParser::TEntry& entry = Stat.Entry();
    check.ServerFingerprint.SetListing(entry.Size, entry.Time, entry.IsLink,
                                       QDateTime::currentDateTime());
    if (!entry.IsDirectory && check.Seen.ListingTells() &&
        check.Seen.ListingMatches(entry.Size, entry.Time)) {
      check.Verdict = TVerdict::Unchanged;
      return EndCheck(Stat.Page(), check);
    }
    if (!entry.IsDirectory && !entry.IsLink && entry.Size >= 0 && check.Seen.SizeTells() &&
        entry.Size != check.Seen.Bytes) {
      FDriver.Debug(QString("%1 lists %2 bytes, not the %3 this page saw: changed")
                        .arg(QString::fromLocal8Bit(check.RemotePath))
                        .arg(entry.Size)
                        .arg(check.Seen.Bytes));
      check.ServerFingerprint.RemotePath = check.RemotePath;
      check.Verdict = TVerdict::Changed;
      return EndCheck(Stat.Page(), check);
    }
  }
  if (!Stat.Succeeded()) FDriver.Debug("The listing could not tell: " + Stat.Error());
  if (!Stat.Page()) return EndCheck(nullptr, check);
  FDriver.Start(IConversation::Bind(std::make_unique<TCompareOperation>(Stat.Page(), check,
                                                                        NewWorkFile(".get-")),
                                    *this, &TSaveCheck::FinishCompare));
}

void TSaveCheck::FinishCompare(TCompareOperation& Compare) {
  TRemoteCheck& check = Compare.Check();
  const QString workFile = Compare.LocalPath();
  if (!Compare.Succeeded()) {
    QFile::remove(workFile);
    if (Compare.FileMissing()) {
      check.Verdict = Absent(check);
    } else {
      FDriver.ReportFailure(Compare);
      check.Verdict = TVerdict::Failed;
    }
    return EndCheck(Compare.Page(), check);
  }
  TRemoteFingerprint& server = check.ServerFingerprint;
  server.RemotePath = check.RemotePath;
  server.Sha256 = TFileHash::Of(workFile);
  server.Bytes = QFileInfo(workFile).size();
  // The verdict needs the server's digest and the one of the bytes the page
  // saw, which may still be computed since its download or upload. The
  // window goes on meanwhile; the check counts as under way until then.
  FWaiting.push_back(
      std::make_unique<TWaitingCheck>(TWaitingCheck{Compare.Page(), check, workFile}));
  TWaitingCheck* waiting = FWaiting.back().get();
  TFileHash::WhenBothReady(server.Sha256, check.Seen.Sha256, &FContext,
                           [this, waiting] { Compared(waiting); });
}

void TSaveCheck::Compared(TWaitingCheck* Waiting) {
  const auto found = std::find_if(FWaiting.begin(), FWaiting.end(),
                                  [Waiting](const auto& Each) { return Each.get() == Waiting; });
  if (found == FWaiting.end()) return;
  const std::unique_ptr<TWaitingCheck> done = std::move(*found);
  FWaiting.erase(found);
  TRemoteCheck& check = done->Check;
  const QByteArray digest = check.ServerFingerprint.Sha256.Digest();
  if (!check.Seen.Describes(check.RemotePath)) {
    check.Verdict = TVerdict::Exists;
  } else if (!digest.isEmpty() && digest == check.Seen.Sha256.Digest()) {
    check.Verdict = TVerdict::Unchanged;
    // The listing now describes the bytes the page saw; it may settle later
    // checks.
    if (done->Page) done->Page->SetRemoteFingerprint(check.ServerFingerprint);
  } else {
    check.Verdict = TVerdict::Changed;
    check.ServerCopy = done->WorkFile;
    return EndCheck(done->Page, check);
  }
  QFile::remove(done->WorkFile);
  EndCheck(done->Page, check);
}

bool TSaveCheck::Waiting() const { return !FWaiting.empty(); }

void TSaveCheck::PageClosing(const IPage* Page) {
  for (const auto& waiting : FWaiting)
    if (waiting->Page == Page) waiting->Page = nullptr;
}

void TSaveCheck::EndCheck(IPage* Page, TRemoteCheck& Check) {
  if (!Page) {
    if (!Check.ServerCopy.isEmpty()) QFile::remove(Check.ServerCopy);
    FDriver.Debug("Check dropped: its tab was closed");
    return;
  }
  FDriver.Listener().RemoteChecked(Page, Check);
}

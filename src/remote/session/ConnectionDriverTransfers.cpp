// Opening remote files into pages and sending pages back.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/Exception.h"
#include "remote/editing/DriverPage.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/GetOperation.h"
#include "remote/operations/ListOperation.h"
#include "remote/operations/PutOperation.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/SafeSave.h"

// The download went to a work file of its own; only a complete one takes the
// file's name in the download folder and reaches the page, so a broken-off
// copy never passes for the file and never replaces an earlier good copy.
void TConnectionDriver::FinishGet(TGetOperation& Get) {
  SetDownloading(false);
  IPage* page = Get.Page();
  // Whatever came of it, the page takes typing again.
  const auto ended = [this, page] {
    if (page) Listener().DownloadEnded(page);
  };
  try {
    PlaceDownload(Get);
  } catch (...) {
    ended();
    throw;
  }
  ended();
}

void TConnectionDriver::PlaceDownload(TGetOperation& Get) {
  const QString workFile = Get.LocalPath();
  if (!Get.Succeeded()) {
    QFile::remove(workFile);
    ReportFailure(Get);
    return;
  }
  IPage* page = Get.Page();
  if (!page) {
    QFile::remove(workFile);
    Debug("Download dropped: its tab was closed");
    return;
  }
  const QByteArray remotePath = Get.RemotePath();
  const QString remoteText = QString::fromLocal8Bit(remotePath);
  const QString localName = LocalNameFor(remoteText.mid(remoteText.lastIndexOf('/') + 1));
  Debug("Remote filename: " + QString::fromLocal8Bit(remotePath));
  Debug("Local filename: " + localName);
  if (!QFileInfo::exists(workFile)) {
    FView.Inform(QString("Unable to load local file: %1").arg(localName), QString());
    return;
  }
  TRemoteFingerprint seen = Get.Listed();
  seen.RemotePath = remotePath;
  seen.Sha256 = TRemoteFingerprint::Sha256Of(workFile);
  QString localPath;
  try {
    // The page's own folder: no other page's copy has this path.
    localPath = page->Document().Folder() + localName;
    CheckLocalTarget(localPath);
    ReplaceFile(workFile, localPath);
  } catch (...) {
    QFile::remove(workFile);
    throw;
  }
  page->SetRemoteFingerprint(seen);
  Listener().FileDownloaded(page, localPath, remotePath);
}

// The listing that follows shows the new file to every page on psftp's
// folder, without moving the saving page to it: that page may show another.
void TConnectionDriver::FinishPut(TPutOperation& Put) {
  IPage* page = Put.Page();
  if (!Put.Succeeded()) {
    ReportFailure(Put);
    if (page && Put.MarksSaved()) Listener().UploadFailed(page);
    return;
  }
  if (!page && Put.PageClosed()) Debug("Upload finished after its tab was closed");
  if (page && Put.MarksSaved()) {
    page->SetRemoteFingerprint(Put.Sent());
    Listener().FileUploaded(page, Put.SentVersion());
  }
  SetStatus("Saved", 0);
  if (!FCurrentDir.isEmpty())
    Start(Bind(std::make_unique<TListOperation>(nullptr, FCurrentDir),
               &TConnectionDriver::FinishList));
}

// A file named by its full path is written beside itself and swapped in
// (TSafeSave); one named only by its name goes where psftp is, as it is, and
// so does one whose name leaves no room for the hidden names.
void TConnectionDriver::Save(IPage* Page, const QString& LocalPath) {
  // Check the names before anything is written.
  const QByteArray target = SaveTarget(*Page, LocalPath);
  std::shared_ptr<TSafeSave> save;
  std::unique_ptr<TPutOperation> put;
  const bool fits = TSafeSave::Fits(target);
  if (!fits)
    Debug(QString::fromLocal8Bit(target) +
          " is written in place: a hidden name beside it would be too long for the server");
  if (target.startsWith('/') && fits) {
    TSafeSave::THooks hooks;
    hooks.Start = [this](TOperationPtr Operation) { Start(std::move(Operation)); };
    hooks.Debug = [this](const QString& Text) { Debug(Text); };
    hooks.Finished = [this](TSafeSave& Done) { FinishSave(Done); };
    save = TSafeSave::Make(Page, LocalPath, target, std::move(hooks));
  } else {
    put = std::make_unique<TPutOperation>(Page, LocalPath, Page->RemoteFileName(), true);
  }
  TPutOperation& sending = save ? save->Put() : *put;
  CheckLocalTarget(LocalPath);
  Page->SaveToFile(LocalPath);
  // The bytes psftp sends are those of the local copy as written now.
  TRemoteFingerprint sent;
  sent.RemotePath = target;
  sent.Sha256 = TRemoteFingerprint::Sha256Of(LocalPath);
  sending.SetSent(sent);
  sending.SetSentVersion(Page->TextVersion());
  SetStatus("Saving...", 0);
  if (save) {
    save->Begin();
    return;
  }
  // psftp ending before the answer leaves the server's copy unknown.
  TPutOperation* putting = put.get();
  put->OnDrop([this, putting] {
    if (putting->Page()) Listener().UploadFailed(putting->Page());
  });
  Start(Bind(std::move(put), &TConnectionDriver::FinishPut));
}

// As FinishPut, with the sequence's own words for what happened.
void TConnectionDriver::FinishSave(TSafeSave& Save) {
  IPage* page = Save.Page();
  if (!Save.Saved()) {
    SetStatus(Save.Message(), 0, Save.Detail());
    Debug("Refused: " + Save.Detail());
    if (page) Listener().UploadFailed(page);
    return;
  }
  if (!page && Save.PageClosed()) Debug("Upload finished after its tab was closed");
  if (page) {
    page->SetRemoteFingerprint(Save.Sent());
    Listener().FileUploaded(page, Save.SentVersion());
  }
  SetStatus(Save.Message(), 0, Save.Detail());
  if (!Save.Detail().isEmpty()) Debug(Save.Message() + " " + Save.Detail());
  // A save whose last step was cut off is saved all the same; no listing
  // can follow it, and the message says what is left on the server.
  if (!FCurrentDir.isEmpty() && PsftpRunning())
    Start(Bind(std::make_unique<TListOperation>(nullptr, FCurrentDir),
               &TConnectionDriver::FinishList));
}

void TConnectionDriver::Upload(IPage* Page, const QString& LocalPath) {
  auto put = std::make_unique<TPutOperation>(Page, LocalPath, QByteArray(), false);
  SetStatus("Uploading...", 0);
  Start(Bind(std::move(put), &TConnectionDriver::FinishPut));
}

bool TConnectionDriver::Saving(const IPage* Page) const {
  return AnyOperation([Page](const TPsftpOperation& Operation) {
    return Operation.Page() == Page && Operation.SavesPage();
  });
}

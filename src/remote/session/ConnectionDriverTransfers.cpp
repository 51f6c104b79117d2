// Opening remote files into pages and sending pages back.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/Exception.h"
#include "remote/editing/DriverPage.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/GetOperation.h"
#include "remote/operations/ListOperation.h"
#include "remote/session/ConnectionDriver.h"

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
  seen.Bytes = QFileInfo(workFile).size();
  // Hashed on a worker while the page loads; a save that needs the digest
  // sooner waits for it.
  seen.Sha256 = TFileHash::Of(workFile);
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

// The local copy written for a save is part of the save.
bool TConnectionDriver::Saving(const IPage* Page) const {
  return FSender.Writing(Page) || AnyOperation([Page](const TPsftpOperation& Operation) {
           return Operation.Page() == Page && Operation.SavesPage();
         });
}

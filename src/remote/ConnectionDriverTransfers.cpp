// Opening remote files into pages and sending pages back.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/Exception.h"
#include "remote/ConnectionDriver.h"
#include "remote/GetOperation.h"
#include "remote/ListOperation.h"
#include "remote/Page.h"
#include "remote/PutOperation.h"
#include "remote/TempFolder.h"

// The download went to a work file of its own; only a complete one takes the
// file's name in the download folder and reaches the page, so a broken-off
// copy never passes for the file and never replaces an earlier good copy.
void TConnectionDriver::FinishGet(const TGetOperation& Get) {
  SetDownloading(false);
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
  const QString localPath = GetTempFolder() + localName;
  Debug("Remote filename: " + QString::fromLocal8Bit(remotePath));
  Debug("Local filename: " + localName);
  if (!QFileInfo::exists(workFile)) {
    FView.ShowError(QString("Unable to load local file: %1").arg(localPath));
    return;
  }
  try {
    CheckLocalTarget(localPath);
    ReplaceFile(workFile, localPath);
  } catch (...) {
    QFile::remove(workFile);
    throw;
  }
  page->SetRemoteFileName(remotePath);
  try {
    page->LoadFromFile(localPath);
  } catch (const Exception& e) {
    FView.ShowError(QString("Unable to load local file %1 (%2)").arg(localName, e.Message()));
  }
  page->SetCaption(localName);
  page->UpdateHighlighter();
}

void TConnectionDriver::FinishPut(const TPutOperation& Put) {
  if (!Put.Succeeded()) {
    ReportFailure(Put);
    return;
  }
  IPage* page = Put.Page();
  if (!page && Put.PageClosed()) Debug("Upload finished after its tab was closed");
  if (page && Put.MarksSaved()) {
    page->SetSaved(true);
    page->UpdateHighlighter();
  }
  SetStatus("Saved", 0);
  if (!FCurrentDir.isEmpty()) Start(std::make_unique<TListOperation>(page, FCurrentDir));
}

// A Save As name lives below the download folder: an absolute name or a ".."
// step would write somewhere else on this machine.
bool TConnectionDriver::CheckSaveAsName(const QString& Name) {
  const QStringList parts = QDir::fromNativeSeparators(Name).split('/');
  if (Name.trimmed().isEmpty() || QDir::isAbsolutePath(Name) || parts.contains("..") ||
      parts.last().isEmpty()) {
    FView.ShowError(QString("\"%1\" is not a file name inside the download folder").arg(Name));
    return false;
  }
  return true;
}

void TConnectionDriver::SaveActionExecute() {
  IPage* page = FView.ActivePage();
  if (!page) return;
  QString localPath;
  if (page->Caption() == "Untitled") {
    QString name;
    if (!FView.AskSaveAsName(name) || !CheckSaveAsName(name)) return;
    localPath = GetTempFolder() + QDir::fromNativeSeparators(name);
    QDir().mkpath(QFileInfo(localPath).absolutePath());
  } else {
    localPath = GetTempFolder() + page->Caption();
  }
  // Check the names before anything is written or renamed.
  auto put = std::make_unique<TPutOperation>(page, localPath, page->RemoteFileName(), true);
  CheckLocalTarget(localPath);
  page->SaveToFile(localPath);
  page->SetCaption(QFileInfo(localPath).fileName());
  SetStatus("Saving...", 0);
  Start(std::move(put));
}

// The dropped file is uploaded as it is; the page's own text is not, so the
// page's saved state is left alone.
void TConnectionDriver::DirListFileDrop(bool FrameConnected, const QStringList& Files) {
  if (!FrameConnected) throw Exception("Not connected");
  if (Files.size() >= 2) {
    FView.ShowMessage("You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  const QString path = Files.first();
  if (!FView.Confirm(QString("Upload the file %1 to the server?").arg(path))) return;
  auto put = std::make_unique<TPutOperation>(FView.ActivePage(), path, QByteArray(), false);
  SetStatus("Uploading...", 0);
  Start(std::move(put));
}

// Opening remote files into pages and sending pages back.
#include <QDir>
#include <QFileInfo>

#include "core/Exception.h"
#include "remote/ConnectionDriver.h"
#include "remote/Page.h"
#include "remote/PsftpCommand.h"

// psftp reports a finished transfer as "remote:<path> => local:<path>" or
// "local:<path> => remote:<path>", the paths as given or resolved, blanks and
// all; the shortest first path keeps a " => " inside the second one.
const QString TConnectionDriver::kDownloadPattern = "^remote:(.+?) => local:(.+)$";
const QString TConnectionDriver::kUploadPattern = "^local:(.+?) => remote:(.+)$";

void TConnectionDriver::OnFileDownload(const QString& Data) {
  SetDownloading(false);
  IPage* page = ResultPage("Download");
  if (!page) return;
  Regex.SetRegEx(kDownloadPattern);
  Regex.SetSubject(Data);
  if (!Regex.Match()) return;
  const QByteArray remotePath = Regex.Groups(1).toLocal8Bit();
  const QString localName = Regex.Groups(2);
  Debug("Remote filename: " + QString::fromLocal8Bit(remotePath));
  Debug("Local filename: " + localName);

  const QString localPath = QDir::isAbsolutePath(localName) ? localName
                                                            : GetTempFolder() + localName;
  if (!QFileInfo::exists(localPath)) {
    FView.ShowError(QString("Unable to load local file: %1").arg(localPath));
    return;
  }
  page->SetRemoteFileName(remotePath);
  try {
    page->LoadFromFile(localPath);
  } catch (const Exception& e) {
    FView.ShowError(QString("Unable to load local file %1 (%2)").arg(localName, e.Message()));
  }
  page->SetCaption(localName);
  page->UpdateHighlighter();
  FPendingPage = nullptr;
}

void TConnectionDriver::OnFileUpload(const QString& /*Data*/) {
  IPage* page = ResultPage("Upload");
  if (!page) return;
  page->SetSaved(true);
  page->UpdateHighlighter();
  SetStatus("Saved", 0);
  Cmd("ls");
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
  // Validate the command before anything is written or renamed.
  QByteArrayList args{localPath.toLocal8Bit()};
  if (!page->RemoteFileName().isEmpty()) args << page->RemoteFileName();
  const QByteArray command = TPsftpCommand::Build("put", args);
  page->SaveToFile(localPath);
  page->SetCaption(QFileInfo(localPath).fileName());
  WriteCommand(command, TAwaited::Put);
  SetStatus("Saving...", 0);
}

void TConnectionDriver::DirListFileDrop(bool FrameConnected, const QStringList& Files) {
  if (!FrameConnected) throw Exception("Not connected");
  if (Files.size() >= 2) {
    FView.ShowMessage("You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  const QString path = Files.first();
  if (!FView.Confirm(QString("Upload the file %1 to the server?").arg(path))) return;
  Cmd("put", {path.toLocal8Bit()});
  SetStatus("Uploading...", 0);
}

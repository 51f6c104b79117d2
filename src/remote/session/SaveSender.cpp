#include "remote/session/SaveSender.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "core/ErrorReport.h"
#include "remote/editing/DriverPage.h"
#include "remote/editing/TransferListener.h"
#include "remote/listing/Dir.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/PutOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/SafeSave.h"
#include "remote/session/SaveCheck.h"
#include "remote/session/SwapChoice.h"

// A file on the server is replaced by a copy swapped in beside it when that
// keeps what the file is (TSwapChoice); otherwise, and for a new file, "put"
// writes it where it goes, named as it always was.
void TSaveSender::Save(IPage* Page, const QString& LocalPath) {
  TSafeSave::TRequest request;
  request.Page = Page;
  request.LocalPath = LocalPath;
  request.Target = FCheck.Target(*Page, LocalPath);
  request.PutName = Page->RemoteFileName();
  request.Permissions = Permissions(request.Target);
  // Check the names before anything is written.
  const std::shared_ptr<TSafeSave> save = TSafeSave::Make(
      FDriver, request, [this](TSafeSave& Done) { Landed(Done); },
      [this](TSafeSave& Done) { FinishSave(Done); });
  CheckLocalTarget(LocalPath);
  // The text goes out as it is now; what is typed while it is written is
  // not in it, and leaves the page unsaved (ITransferListener::FileUploaded).
  const quint64 version = Page->TextVersion();
  // Without psftp nothing waits for the upload, and the window may close
  // at once: the local copy, the text's one other home, is written now.
  if (!FDriver.PsftpRunning()) {
    Page->SaveToFile(LocalPath);
    Written(Page, *save, {LocalPath, version}, QString());
    return;
  }
  FWriting.push_back(Page);
  try {
    Page->SaveToFileThen(LocalPath, [this, Page, save, version, LocalPath](const QString& Error) {
      Written(Page, *save, {LocalPath, version}, Error);
    });
  } catch (...) {
    Forget(Page);
    throw;
  }
}

// The local copy is written, or could not be: only a whole copy is sent.
void TSaveSender::Written(IPage* Page, TSafeSave& Save, const TCopy& Copy, const QString& Error) {
  Forget(Page);
  if (!Error.isEmpty()) {
    ErrorReport::Report(Error);
    return;
  }
  // The bytes psftp sends are those of the local copy as written now; they
  // are hashed on a worker while psftp sends them.
  TRemoteFingerprint sent;
  sent.RemotePath = Save.Target();
  sent.Bytes = QFileInfo(Copy.LocalPath).size();
  sent.Sha256 = TFileHash::Of(Copy.LocalPath);
  Save.Put().SetSent(sent);
  Save.Put().SetSentVersion(Copy.Version);
  FDriver.SetStatus("Saving...", 0);
  Save.Begin();
}

bool TSaveSender::Writing(const IPage* Page) const {
  return std::find(FWriting.begin(), FWriting.end(), Page) != FWriting.end();
}

void TSaveSender::Forget(const IPage* Page) {
  FWriting.erase(std::remove(FWriting.begin(), FWriting.end(), Page), FWriting.end());
}

// A dropped file goes into the folder the page's list shows (psftp's own may
// be another page's by now) under its own name; one that is there already
// is replaced as a save replaces it.
void TSaveSender::Upload(IPage* Page, const QString& LocalPath) {
  TSafeSave::TRequest request;
  request.LocalPath = LocalPath;
  const QByteArray name = QFileInfo(LocalPath).fileName().toLocal8Bit();
  const QByteArray dir =
      (Page && Page->Dir() ? Page->Dir()->Name() : FDriver.CurrentDir()).toLocal8Bit();
  request.Target = dir.isEmpty() ? name : dir + (dir.endsWith('/') ? "" : "/") + name;
  if (Page && Page->Dir()) request.PutName = request.Target;
  request.Permissions = Permissions(request.Target);
  const std::shared_ptr<TSafeSave> save = TSafeSave::Make(
      FDriver, request, [this](TSafeSave& Done) { Landed(Done); },
      [this](TSafeSave& Done) { FinishSave(Done); });
  FDriver.SetStatus("Uploading...", 0);
  save->Begin();
}

int TSaveSender::Permissions(const QByteArray& Target) {
  const TSwapChoice choice = TSwapChoice::For(Target, FDriver.Directories(), FDriver.UserName());
  if (choice.Way() == TSwapChoice::TWay::InPlace)
    FDriver.Debug(
        QString("%1 is written in place: %2").arg(QString::fromLocal8Bit(Target), choice.Why()));
  return choice.Way() == TSwapChoice::TWay::Swap ? choice.Permissions() : -1;
}

// The file holds the page's text: the page is saved, though the old text
// beside it may still be on its way out.
void TSaveSender::Landed(TSafeSave& Save) {
  IPage* page = Save.Page();
  if (!page && Save.PageClosed()) FDriver.Debug("Upload finished after its tab was closed");
  FDriver.SetStatus("Saved", 0);
  if (!page) return;
  page->SetRemoteFingerprint(Save.Sent());
  FDriver.Listener().FileUploaded(page, Save.SentVersion());
}

// The saved file's entry is updated in the folder's cached listing, and
// every page that shows that folder shows it anew (TEntryUpdate); the folder
// is not listed again. A save that left its old text beside the file lists
// that name too.
void TSaveSender::FinishSave(TSafeSave& Save) {
  IPage* page = Save.Page();
  if (!Save.Saved()) {
    FDriver.SetStatus(Save.Message(), 0, Save.Detail());
    FDriver.Debug("Refused: " + Save.Detail());
    if (page) FDriver.Listener().UploadFailed(page, Save.MayBeCut());
    return;
  }
  FDriver.SetStatus(Save.Message(), 0, Save.Detail());
  if (!Save.Detail().isEmpty()) FDriver.Debug(Save.Message() + " " + Save.Detail());
  // A save whose last step was cut off is saved all the same; nothing can
  // be asked of the server after it, and the message says what is left.
  if (!FDriver.PsftpRunning()) return;
  const QString target = QString::fromLocal8Bit(Save.Target());
  const qsizetype slash = target.lastIndexOf('/');
  const QString folder = slash < 0    ? FDriver.CurrentDir()
                         : slash == 0 ? QString("/")
                                      : target.left(slash);
  const QString name = target.mid(slash + 1);
  if (folder.isEmpty()) return;
  if (!Save.Detail().isEmpty() && !Save.BackupPath().isEmpty()) {
    const QString backup = QString::fromLocal8Bit(Save.BackupPath());
    FEntries.Look(folder, {name, backup.mid(backup.lastIndexOf('/') + 1)});
    return;
  }
  FEntries.Replaced(folder, name, Save.Bytes(), !Save.WroteInPlace(), Save.Permissions());
}

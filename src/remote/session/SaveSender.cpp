#include "remote/session/SaveSender.h"

#include <memory>

#include "remote/editing/DriverPage.h"
#include "remote/editing/TransferListener.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/PutOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/SafeSave.h"
#include "remote/session/SaveCheck.h"

// A file named by its full path is written beside itself and swapped in
// (TSafeSave); one named only by its name goes where psftp is, as it is, and
// so does one whose name leaves no room for the hidden names.
void TSaveSender::Save(IPage* Page, const QString& LocalPath) {
  // Check the names before anything is written.
  const QByteArray target = FCheck.Target(*Page, LocalPath);
  std::shared_ptr<TSafeSave> save;
  std::unique_ptr<TPutOperation> put;
  const bool fits = TSafeSave::Fits(target);
  if (!fits)
    FDriver.Debug(QString::fromLocal8Bit(target) +
                  " is written in place: a hidden name beside it would be too long for the server");
  if (target.startsWith('/') && fits) {
    save = TSafeSave::Make(FDriver, Page, LocalPath, target,
                           [this](TSafeSave& Done) { FinishSave(Done); });
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
  FDriver.SetStatus("Saving...", 0);
  if (save) {
    save->Begin();
    return;
  }
  // psftp ending before the answer leaves the server's copy unknown.
  TPutOperation* putting = put.get();
  put->OnDrop([this, putting] {
    if (putting->Page()) FDriver.Listener().UploadFailed(putting->Page());
  });
  FDriver.Start(IConversation::Bind(std::move(put), *this, &TSaveSender::FinishPut));
}

void TSaveSender::Upload(IPage* Page, const QString& LocalPath) {
  auto put = std::make_unique<TPutOperation>(Page, LocalPath, QByteArray(), false);
  FDriver.SetStatus("Uploading...", 0);
  FDriver.Start(IConversation::Bind(std::move(put), *this, &TSaveSender::FinishPut));
}

// The listing that follows shows the new file to every page on psftp's
// folder, without moving the saving page to it: that page may show another.
void TSaveSender::FinishPut(TPutOperation& Put) {
  IPage* page = Put.Page();
  if (!Put.Succeeded()) {
    FDriver.ReportFailure(Put);
    if (page && Put.MarksSaved()) FDriver.Listener().UploadFailed(page);
    return;
  }
  if (!page && Put.PageClosed()) FDriver.Debug("Upload finished after its tab was closed");
  if (page && Put.MarksSaved()) {
    page->SetRemoteFingerprint(Put.Sent());
    FDriver.Listener().FileUploaded(page, Put.SentVersion());
  }
  FDriver.SetStatus("Saved", 0);
  FDriver.ListCurrentDir();
}

// As FinishPut, with the sequence's own words for what happened.
void TSaveSender::FinishSave(TSafeSave& Save) {
  IPage* page = Save.Page();
  if (!Save.Saved()) {
    FDriver.SetStatus(Save.Message(), 0, Save.Detail());
    FDriver.Debug("Refused: " + Save.Detail());
    if (page) FDriver.Listener().UploadFailed(page);
    return;
  }
  if (!page && Save.PageClosed()) FDriver.Debug("Upload finished after its tab was closed");
  if (page) {
    page->SetRemoteFingerprint(Save.Sent());
    FDriver.Listener().FileUploaded(page, Save.SentVersion());
  }
  FDriver.SetStatus(Save.Message(), 0, Save.Detail());
  if (!Save.Detail().isEmpty()) FDriver.Debug(Save.Message() + " " + Save.Detail());
  // A save whose last step was cut off is saved all the same; no listing
  // can follow it, and the message says what is left on the server.
  if (FDriver.PsftpRunning()) FDriver.ListCurrentDir();
}

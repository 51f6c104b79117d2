// The main window's closing: the save question for each page and the wait for uploads.
#include <QCloseEvent>

#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"
#include "ui/SaveLock.h"
#include "ui/WindowPlacement.h"

void TMainWindow::closeEvent(QCloseEvent* Event) {
  if (FUnsavedGuard->Waiting()) {
    Event->ignore();
    return;
  }
  if (!FCloseQueryDone) {
    bool uploadSent = false;
    if (!FormCloseQuery(uploadSent)) {
      Event->ignore();
      return;
    }
    // psftp uploads on its own time; closing now would kill it mid-transfer.
    if (uploadSent && UploadInProgress()) {
      FUnsavedGuard->WaitForUploads([this] {
        FCloseQueryDone = true;
        close();
      });
      Event->ignore();
      return;
    }
  }
  FCloseQueryDone = false;
  // The geometry is a convenience: a store that cannot be written is
  // reported, and the window still closes.
  ErrorReport::Guarded([this] { FPlacement->Save(); });
  Event->accept();
}

// A save that failed, or whose Save As was cancelled, keeps the window open:
// the user said the text matters, and it is stored nowhere yet.
bool TMainWindow::FormCloseQuery(bool& UploadSent) {
  return FPages->ForEachWhile([&](TPage* Page) {
    if (Page->Saved()) return true;
    FPages->Activate(Page);
    const TUnsavedGuard::TAnswer answer = FUnsavedGuard->Ask(Page);
    if (answer == TUnsavedGuard::TAnswer::Stop) return false;
    if (answer == TUnsavedGuard::TAnswer::Saving && UploadInProgress()) UploadSent = true;
    return true;
  });
}

bool TMainWindow::UploadInProgress() {
  return (FDriver->UploadPending() && FVirtualRedirector.Running()) || FRemoteEditor->Asking();
}

void TMainWindow::SetUploadWaitLimit(int Milliseconds) {
  FUnsavedGuard->SetWaitLimit(Milliseconds);
}

bool TMainWindow::WaitingForUploadToClose() const {
  return FUnsavedGuard->Waiting() && !FUnsavedGuard->WaitingForPage();
}

void TMainWindow::ExitActionExecute() { close(); }

void TMainWindow::LockForSave(bool Locked, bool WholeWindow, TPage* Page) {
  FSaveLock->Set(Locked, WholeWindow, Page);
  UpdateActions();
}

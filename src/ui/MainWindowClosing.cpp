// The main window's closing: the save question for each page and the wait for uploads.
#include <QCloseEvent>
#include <algorithm>

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
    // Asked again while the close waits for an upload, it may stop it.
    if (!FUnsavedGuard->WaitingForPage() &&
        FRemoteEditor->AskAboutUploads() == TRemoteEditor::TUploadAnswer::Stop) {
      FCloseStopped = true;
      FRemoteEditor->StopUploads();
    }
    Event->ignore();
    return;
  }
  if (!FCloseQueryDone && !QueryClose()) {
    Event->ignore();
    return;
  }
  FCloseQueryDone = false;
  FLetGo.clear();
  // The geometry is a convenience: a store that cannot be written is
  // reported, and the window still closes.
  ErrorReport::Guarded([this] { FPlacement->Save(); });
  Event->accept();
}

// psftp uploads on its own time; closing, which ends psftp, would cut an
// upload off and leave the server's file short. So an upload under way is
// asked about first, and an upload the save question starts is waited for.
bool TMainWindow::QueryClose() {
  switch (FRemoteEditor->AskAboutUploads()) {
    case TRemoteEditor::TUploadAnswer::None:
      break;
    case TRemoteEditor::TUploadAnswer::Wait:
      WaitThenClose();
      return false;
    case TRemoteEditor::TUploadAnswer::Stop:
      FRemoteEditor->StopUploads();
      return false;
  }
  bool uploadSent = false;
  if (!FormCloseQuery(uploadSent)) {
    FLetGo.clear();
    return false;
  }
  if (uploadSent && UploadInProgress()) {
    WaitThenClose();
    return false;
  }
  return true;
}

// The wait has no limit. When it ends the close goes on only if every page's
// text is stored or was let go; a page whose upload failed is asked about
// again. A stopped save keeps the window open.
void TMainWindow::WaitThenClose() {
  FCloseStopped = false;
  FUnsavedGuard->WaitForUploads([this] {
    if (FCloseStopped) {
      FCloseStopped = false;
      FLetGo.clear();
      return;
    }
    FCloseQueryDone = FPages->ForEachWhile([this](TPage* Page) {
      return Page->Saved() || std::find(FLetGo.begin(), FLetGo.end(), Page) != FLetGo.end();
    });
    close();
  });
}

// A save that failed, or whose Save As was cancelled, keeps the window open:
// the user said the text matters, and it is stored nowhere yet. A page let go
// (No) is not asked about again while this close goes on.
bool TMainWindow::FormCloseQuery(bool& UploadSent) {
  return FPages->ForEachWhile([&](TPage* Page) {
    if (Page->Saved()) return true;
    if (std::find(FLetGo.begin(), FLetGo.end(), Page) != FLetGo.end()) return true;
    FPages->Activate(Page);
    const TUnsavedGuard::TAnswer answer = FUnsavedGuard->Ask(Page);
    if (answer == TUnsavedGuard::TAnswer::Stop) return false;
    if (answer == TUnsavedGuard::TAnswer::GoOn) FLetGo.push_back(Page);
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

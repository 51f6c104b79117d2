// The main window's closing, and the upload a save question may wait for.
#include <QCloseEvent>

#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/CloseSequence.h"
#include "ui/MainWindow.h"
#include "ui/SaveLock.h"
#include "ui/WindowPlacement.h"

void TMainWindow::closeEvent(QCloseEvent* Event) {
  if (!FCloseSequence->MayClose()) {
    Event->ignore();
    return;
  }
  // The geometry is a convenience: a store that cannot be written is
  // reported, and the window still closes.
  ErrorReport::Guarded([this] { FPlacement->Save(); });
  Event->accept();
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

void TMainWindow::LockForSave(bool Locked, bool WholeWindow, TPage* Page) {
  FSaveLock->Set(Locked, WholeWindow, Page);
  UpdateActions();
}

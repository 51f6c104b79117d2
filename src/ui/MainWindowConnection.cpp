// The window's side of the connection: the commands it forwards to the
// driver and the editing controller, and the driver's reports passed on to
// the connection's view and the login dialogs.
#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/ConnectionView.h"
#include "ui/HostKeyDialog.h"
#include "ui/LoginDialogs.h"
#include "ui/MainWindow.h"
#include "ui/PasswordDialog.h"

// ---------------------------------------------------------------- commands

void TMainWindow::ConnectActionExecute() {
  ErrorReport::Guarded([this] {
    if (FDriver->Connected()) {
      FRemoteEditor->Disconnect();
      return;
    }
    if (ShowConnectDialog()) FDriver->Connect(ConnectDialogValues(), ActivePage());
  });
}

void TMainWindow::SaveActionExecute() {
  ErrorReport::Guarded([this] {
    if (TPage* page = ActivePage()) FRemoteEditor->Save(page);
  });
}

// ---------------------------------------------------------------- driver reports

void TMainWindow::ConnectionChanged(bool Connected, const QString& HostName) {
  FConnectionView->ShowConnected(Connected, HostName);
  UpdateActions();
  if (!Connected) OpenLinkAfterDisconnect();
}

void TMainWindow::DirectoryListed(IPage* Page, TDir* Dir) {
  FConnectionView->ShowListing(Page, Dir);
  UpdateActions();
}

void TMainWindow::Log(TLog Kind, const QString& Text) { FConnectionView->Log(Kind, Text); }

void TMainWindow::Inform(const QString& Text, const QString& Detail) {
  Prompts().Inform(IUserPrompts::TTone::Error,
                   Detail.isEmpty() || Detail == Text ? Text : Text + "\n\n" + Detail);
}

void TMainWindow::AskHostKey(const THostKeyRequest& Request) { HostKeyDialog()->Ask(Request); }

void TMainWindow::AskPassword(const TPasswordRequest& Request) { PasswordDialog()->Ask(Request); }

// ---------------------------------------------------------------- what the window shows

void TMainWindow::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  FConnectionView->SetStatus(Index, S, ToolTip);
}

QString TMainWindow::StatusText(int Index) const { return FConnectionView->StatusText(Index); }

void TMainWindow::SetBusyCursor(bool Busy) { FConnectionView->SetBusyCursor(Busy); }

bool TMainWindow::ShowConnectDialog() { return FConnectionView->ShowConnectDialog(); }

TConnectValues TMainWindow::ConnectDialogValues() { return FConnectionView->ConnectDialogValues(); }

THostKeyDialog* TMainWindow::HostKeyDialog() { return FLoginDialogs->HostKey(); }

TPasswordDialog* TMainWindow::PasswordDialog() { return FLoginDialogs->Password(); }

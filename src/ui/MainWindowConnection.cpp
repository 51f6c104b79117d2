// The window's side of the connection: the commands it forwards to the
// driver and the editing controller, and the driver's events shown in the
// window.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/DebugLogWindow.h"
#include "ui/HostKeyDialog.h"
#include "ui/Icons.h"
#include "ui/LoginDialogs.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"
#include "ui/PasswordDialog.h"
#include "ui/StatusPanels.h"

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

// ---------------------------------------------------------------- driver events

void TMainWindow::ConnectionChanged(bool Connected, const QString& HostName) {
  ShowConnected(Connected);
  if (Connected) setWindowTitle(QString("Quillery - %1").arg(HostName));
  FNewOpenEnabled = Connected;
  UpdateActions();
  FPages->ForEach([Connected](TPage* Page) { Page->SetFrameConnected(Connected); });
}

void TMainWindow::MessageChanged(const QString& Text, const QString& Detail) {
  SetStatus(Text, 0, Detail);
}

void TMainWindow::FolderChanged(const QString& Path) { SetStatus(Path, 1); }

void TMainWindow::BusyChanged(bool Busy) { SetBusyCursor(Busy); }

void TMainWindow::DirectoryListed(IPage* Page, TDir* Dir) {
  if (Page) Page->SetDir(Dir);
  FPages->ForEach([Dir](TPage* Page) {
    if (Page->Dir() == Dir) Page->PopulateDirListBox();
  });
}

void TMainWindow::Log(TLog Kind, const QString& Text) {
  if (!FDebugForm) return;
  if (Kind == TLog::Command)
    FDebugForm->AppendText(Text + "\r\n");
  else
    FDebugForm->AddLine(Text);
}

void TMainWindow::Inform(const QString& Text, const QString& Detail) {
  Prompts().Inform(IUserPrompts::TTone::Error,
                   Detail.isEmpty() || Detail == Text ? Text : Text + "\n\n" + Detail);
}

// ---------------------------------------------------------------- what the window shows

void TMainWindow::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  FStatusPanels->Set(Index, S, ToolTip);
}

QString TMainWindow::StatusText(int Index) const { return FStatusPanels->Text(Index); }

// The driver may report "not busy" many times; the override cursor is set and
// restored in pairs so none is left stacked.
void TMainWindow::SetBusyCursor(bool Busy) {
  if (Busy == FBusyCursor) return;
  FBusyCursor = Busy;
  if (Busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

bool TMainWindow::ShowConnectDialog() {
  return FConnectDialog && FConnectDialog->exec() == QDialog::Accepted;
}

TConnectValues TMainWindow::ConnectDialogValues() {
  return FConnectValues ? FConnectValues() : TConnectValues();
}

THostKeyDialog* TMainWindow::HostKeyDialog() { return FLoginDialogs->HostKey(); }

TPasswordDialog* TMainWindow::PasswordDialog() { return FLoginDialogs->Password(); }

void TMainWindow::AskHostKey(const THostKeyRequest& Request) { HostKeyDialog()->Ask(Request); }

void TMainWindow::AskPassword(const TPasswordRequest& Request) { PasswordDialog()->Ask(Request); }

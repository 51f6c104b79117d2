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
#include "ui/MainWindow.h"
#include "ui/Pages.h"
#include "ui/PasswordDialog.h"

// ---------------------------------------------------------------- commands

void TMainWindow::ConnectActionExecute() {
  ErrorReport::Guarded([this] {
    if (FDriver->Connected()) {
      FDriver->Disconnect();
      return;
    }
    if (ShowConnectDialog()) FDriver->Connect(ConnectDialogValues(), ActivePage());
  });
}

void TMainWindow::SaveActionExecute() {
  ErrorReport::Guarded([this] {
    if (TPage* page = ActivePage()) SavePage(page);
  });
}

bool TMainWindow::SavePage(TPage* Page) { return FRemoteEditor->Save(Page); }

void TMainWindow::DirListFileDrop(bool FrameConnected, const QStringList& Files) {
  FRemoteEditor->Drop(ActivePage(), FrameConnected, Files);
}

// ---------------------------------------------------------------- driver events

void TMainWindow::ConnectionChanged(bool Connected, const QString& HostName) {
  if (Connected) {
    SetConnectAction("Disconnect", DisconnectImage);
    SetCaption(QString("Quillery - %1").arg(HostName));
  } else {
    SetConnectAction("Connect to Server...", ConnectImage);
  }
  SetNewOpenEnabled(Connected);
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
  if (Kind == TLog::Command)
    DebugAppendText(Text + "\r\n");
  else
    DebugAddLine(Text);
}

void TMainWindow::Inform(const QString& Text, const QString& Detail) {
  ShowError(Detail.isEmpty() || Detail == Text ? Text : Text + "\n\n" + Detail);
}

// ---------------------------------------------------------------- what the window shows

// The tooltip holds the whole text even where the panel is cut short. A
// tooltip is taken for markup when it looks like some, so such a text is
// turned into markup that shows it as it is.
void TMainWindow::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index < 0 || Index >= 3) return;
  FStatusPanels[Index]->setText(S);
  const QString tip = ToolTip.isEmpty() ? S : ToolTip;
  FStatusPanels[Index]->setToolTip(Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip) : tip);
}

QString TMainWindow::StatusText(int Index) const {
  return Index >= 0 && Index < 3 ? FStatusPanels[Index]->text() : QString();
}

void TMainWindow::SetConnectAction(const QString& Caption, int ImageIndex) {
  // The menu marks the first letter as the accelerator, as it does for the
  // design caption "&Connect to Server...".
  ConnectAction->setText(Caption.contains('&') ? Caption : "&" + Caption);
  ConnectAction->setToolTip(Caption);
  FConnectImageIndex = ImageIndex;
  ConnectAction->setIcon(
      Icons::Get(ImageIndex == DisconnectImage ? "network-disconnect" : "network-connect"));
}

void TMainWindow::SetNewOpenEnabled(bool Enabled) {
  FNewOpenEnabled = Enabled;
  UpdateActions();
}

void TMainWindow::SetCaption(const QString& Caption) { setWindowTitle(Caption); }

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

void TMainWindow::DebugAppendText(const QString& Text) {
  if (FDebugForm) FDebugForm->AppendText(Text);
}

void TMainWindow::DebugAddLine(const QString& S) {
  if (FDebugForm) FDebugForm->AddLine(S);
}

bool TMainWindow::ShowConnectDialog() {
  return FConnectDialog && FConnectDialog->exec() == QDialog::Accepted;
}

TConnectValues TMainWindow::ConnectDialogValues() {
  return FConnectValues ? FConnectValues() : TConnectValues();
}

void TMainWindow::ShowError(const QString& Text) {
  Prompts().Inform(IUserPrompts::TTone::Error, Text);
}

void TMainWindow::ShowMessage(const QString& Text) {
  Prompts().Inform(IUserPrompts::TTone::Message, Text);
}

THostKeyDialog* TMainWindow::HostKeyDialog() {
  if (!FHostKeyDialog) {
    FHostKeyDialog = new THostKeyDialog(this);
    connect(FHostKeyDialog, &THostKeyDialog::Answered, this, [this](THostKeyAnswer Answer) {
      ErrorReport::Guarded([&] { FDriver->AnswerHostKey(Answer); });
    });
  }
  return FHostKeyDialog;
}

TPasswordDialog* TMainWindow::PasswordDialog() {
  if (!FPasswordDialog) {
    FPasswordDialog = new TPasswordDialog(this);
    connect(FPasswordDialog, &TPasswordDialog::Answered, this, [this](const QByteArray& Password) {
      ErrorReport::Guarded([&] { FDriver->AnswerPassword(Password); });
    });
    connect(FPasswordDialog, &TPasswordDialog::Cancelled, this,
            [this] { ErrorReport::Guarded([this] { FDriver->CancelPassword(); }); });
  }
  return FPasswordDialog;
}

void TMainWindow::AskHostKey(const THostKeyRequest& Request) { HostKeyDialog()->Ask(Request); }

void TMainWindow::AskPassword(const TPasswordRequest& Request) { PasswordDialog()->Ask(Request); }

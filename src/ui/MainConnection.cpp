// The window's side of the connection: the commands that call the driver,
// with the questions the window asks the user before it calls, and the
// driver's events shown in the window.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/ConnectionDriver.h"
#include "remote/Dir.h"
#include "remote/File.h"
#include "remote/TempFolder.h"
#include "ui/HostKeyDialog.h"
#include "ui/Icons.h"
#include "ui/Main.h"
#include "ui/Pages.h"
#include "ui/PasswordDialog.h"
#include "ui/frmDebug.h"
#include "ui/frmEdit.h"
#include "ui/frmSaveAs.h"

// ---------------------------------------------------------------- commands

void TMainForm::ConnectActionExecute() {
  ErrorReport::Guarded([this] {
    if (FDriver->Connected()) {
      FDriver->Disconnect();
      return;
    }
    if (ShowConnectDialog()) FDriver->Connect(ConnectDialogValues(), ActivePage());
  });
}

void TMainForm::SaveActionExecute() {
  ErrorReport::Guarded([this] {
    if (TPage* page = ActivePage()) SavePage(page);
  });
}

// A page that has no name yet gets one in Save As, below the download folder.
bool TMainForm::SavePage(TPage* Page) {
  QString localPath;
  if (Page->Caption() == TPage::UntitledCaption()) {
    QString name;
    if (!AskSaveAsName(name)) return false;
    try {
      localPath = SaveAsLocalPath(name);
    } catch (const Exception& e) {
      ShowError(e.Message());
      return false;
    }
  } else {
    localPath = GetTempFolder() + Page->Caption();
  }
  FDriver->Save(Page, localPath);
  Page->SetCaption(QFileInfo(localPath).fileName());
  return true;
}

void TMainForm::OpenSelectedEntry() {
  TPage* page = ActivePage();
  const TFile* file = page ? page->SelectedFile() : nullptr;
  if (!file) return;
  if (file->MayBeBinary() &&
      !Confirm(QString("%1 may be a binary file. Download anyway?").arg(file->RemoteName())))
    return;
  FDriver->Open(page, *file);
}

void TMainForm::DirListFileDrop(bool FrameConnected, const QStringList& Files) {
  if (!FrameConnected) throw Exception("Not connected");
  if (Files.size() >= 2) {
    ShowMessage("You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  const QString path = Files.first();
  if (!Confirm(QString("Upload the file %1 to the server?").arg(path))) return;
  FDriver->Upload(ActivePage(), path);
}

// ---------------------------------------------------------------- driver events

void TMainForm::ConnectionChanged(bool Connected, const QString& HostName) {
  if (Connected) {
    SetConnectAction("Disconnect", DisconnectImage);
    SetCaption(QString("Quillery - %1").arg(HostName));
  } else {
    SetConnectAction("Connect to Server...", ConnectImage);
  }
  SetNewOpenEnabled(Connected);
  FPages->ForEach([Connected](TPage* Page) { Page->SetFrameConnected(Connected); });
}

void TMainForm::StatusChanged(const QString& Text, int Panel, const QString& Detail) {
  SetStatus(Text, Panel, Detail);
}

void TMainForm::BusyChanged(bool Busy) { SetBusyCursor(Busy); }

void TMainForm::DirectoryListed(IPage* Page, TDir* Dir) {
  if (Page) static_cast<TPage*>(Page)->SetDir(Dir);
  FPages->ForEach([Dir](TPage* Page) {
    if (Page->Dir() == Dir) Page->PopulateDirListBox();
  });
}

void TMainForm::FileDownloaded(IPage* Page, const QString& LocalPath,
                               const QByteArray& RemotePath) {
  auto* page = static_cast<TPage*>(Page);
  const QString localName = QFileInfo(LocalPath).fileName();
  page->SetRemoteFileName(RemotePath);
  try {
    page->LoadFromFile(LocalPath);
  } catch (const Exception& e) {
    ShowError(QString("Unable to load local file %1 (%2)").arg(localName, e.Message()));
  }
  page->SetCaption(localName);
  page->UpdateHighlighter();
}

void TMainForm::FileUploaded(IPage* Page) {
  auto* page = static_cast<TPage*>(Page);
  page->SetSaved(true);
  page->UpdateHighlighter();
}

void TMainForm::Log(TLog Kind, const QString& Text) {
  if (Kind == TLog::Command)
    DebugAppendText(Text + "\r\n");
  else
    DebugAddLine(Text);
}

void TMainForm::Inform(const QString& Text, const QString& Detail) {
  ShowError(Detail.isEmpty() || Detail == Text ? Text : Text + "\n\n" + Detail);
}

// ---------------------------------------------------------------- what the window shows

// The tooltip holds the whole text even where the panel is cut short. A
// tooltip is taken for markup when it looks like some, so such a text is
// turned into markup that shows it as it is.
void TMainForm::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index < 0 || Index >= 3) return;
  FStatusPanels[Index]->setText(S);
  const QString tip = ToolTip.isEmpty() ? S : ToolTip;
  FStatusPanels[Index]->setToolTip(Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip) : tip);
}

QString TMainForm::StatusText(int Index) const {
  return Index >= 0 && Index < 3 ? FStatusPanels[Index]->text() : QString();
}

void TMainForm::SetConnectAction(const QString& Caption, int ImageIndex) {
  // The menu marks the first letter as the accelerator, as it does for the
  // design caption "&Connect to Server...".
  ConnectAction->setText(Caption.contains('&') ? Caption : "&" + Caption);
  ConnectAction->setToolTip(Caption);
  FConnectImageIndex = ImageIndex;
  ConnectAction->setIcon(
      Icons::Get(ImageIndex == DisconnectImage ? "network-disconnect" : "network-connect"));
}

void TMainForm::SetNewOpenEnabled(bool Enabled) {
  FNewOpenEnabled = Enabled;
  UpdateActions();
}

void TMainForm::SetCaption(const QString& Caption) { setWindowTitle(Caption); }

// The driver may report "not busy" many times; the override cursor is set and
// restored in pairs so none is left stacked.
void TMainForm::SetBusyCursor(bool Busy) {
  if (Busy == FBusyCursor) return;
  FBusyCursor = Busy;
  if (Busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TMainForm::DebugAppendText(const QString& Text) {
  if (FDebugForm) FDebugForm->AppendText(Text);
}

void TMainForm::DebugAddLine(const QString& S) {
  if (FDebugForm) FDebugForm->AddLine(S);
}

bool TMainForm::ShowConnectDialog() {
  return FConnectDialog && FConnectDialog->exec() == QDialog::Accepted;
}

TConnectValues TMainForm::ConnectDialogValues() {
  return FConnectValues ? FConnectValues() : TConnectValues();
}

bool TMainForm::AskSaveAsName(QString& FileName) {
  if (!FSaveAsForm || FSaveAsForm->exec() != QDialog::Accepted) return false;
  FileName = FSaveAsForm->FileNameEdit()->text();
  return true;
}

bool TMainForm::Confirm(const QString& Text) {
  return QMessageBox::question(this, "Confirm", Text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void TMainForm::ShowError(const QString& Text) { QMessageBox::critical(this, "Error", Text); }

void TMainForm::ShowMessage(const QString& Text) {
  QMessageBox::information(this, "Quillery", Text);
}

THostKeyDialog* TMainForm::HostKeyDialog() {
  if (!FHostKeyDialog) {
    FHostKeyDialog = new THostKeyDialog(this);
    connect(FHostKeyDialog, &THostKeyDialog::Answered, this, [this](THostKeyAnswer Answer) {
      ErrorReport::Guarded([&] { FDriver->AnswerHostKey(Answer); });
    });
  }
  return FHostKeyDialog;
}

TPasswordDialog* TMainForm::PasswordDialog() {
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

void TMainForm::AskHostKey(const THostKeyRequest& Request) { HostKeyDialog()->Ask(Request); }

void TMainForm::AskPassword(const TPasswordRequest& Request) { PasswordDialog()->Ask(Request); }

// The window's side of the connection: the commands that call the driver,
// with the questions the window asks the user before it calls, and the
// driver's events shown in the window.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <map>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/DebugLogWindow.h"
#include "ui/EditFrame.h"
#include "ui/HostKeyDialog.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"
#include "ui/PasswordDialog.h"
#include "ui/SaveAsDialog.h"
#include "ui/UnsavedGuard.h"

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

// A page that has no name yet gets one in Save As, below the download folder.
bool TMainWindow::SavePage(TPage* Page) {
  if (FDriver->Checking(Page)) return true;  // on its way; a second check would ask twice
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
  // Without psftp nothing can reach the server, so there is nothing to check;
  // the local copy is still written, the text's one other home.
  if (!FVirtualRedirector.Running()) {
    SendPage(Page, localPath);
    return true;
  }
  FDriver->Check(Page, localPath);
  return true;
}

// The caption takes the local copy's name only once the save goes out: a
// page whose save was cancelled at the question stays "Untitled".
void TMainWindow::SendPage(TPage* Page, const QString& LocalPath) {
  FDriver->Save(Page, LocalPath);
  Page->SetCaption(QFileInfo(LocalPath).fileName());
}

void TMainWindow::OpenSelectedEntry() {
  TPage* page = ActivePage();
  const TFile* file = page ? page->SelectedFile() : nullptr;
  if (!file) return;
  if (file->MayBeBinary() &&
      !Confirm(QString("%1 may be a binary file. Download anyway?").arg(file->RemoteName())))
    return;
  FDriver->Open(page, *file);
}

void TMainWindow::DirListFileDrop(bool FrameConnected, const QStringList& Files) {
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

void TMainWindow::StatusChanged(const QString& Text, int Panel, const QString& Detail) {
  SetStatus(Text, Panel, Detail);
}

void TMainWindow::BusyChanged(bool Busy) { SetBusyCursor(Busy); }

void TMainWindow::DirectoryListed(IPage* Page, TDir* Dir) {
  if (Page) static_cast<TPage*>(Page)->SetDir(Dir);
  FPages->ForEach([Dir](TPage* Page) {
    if (Page->Dir() == Dir) Page->PopulateDirListBox();
  });
}

void TMainWindow::FileDownloaded(IPage* Page, const QString& LocalPath,
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

void TMainWindow::FileUploaded(IPage* Page) {
  auto* page = static_cast<TPage*>(Page);
  page->SetSaved(true);
  page->UpdateHighlighter();
}

// The question waits until the driver has done with psftp's answer, so no
// dialog runs inside it; meanwhile the save counts as under way.
void TMainWindow::RemoteChecked(IPage* Page, const TRemoteCheck& Check) {
  auto* page = static_cast<TPage*>(Page);
  if (Check.Verdict == TRemoteCheck::TVerdict::Unchanged) {
    SendPage(page, Check.LocalPath);
    return;
  }
  if (Check.Verdict == TRemoteCheck::TVerdict::Failed) return;  // the refusal is shown
  ++FConflictQuestions;
  QTimer::singleShot(0, this, [this, guarded = QPointer<TPage>(page), Check] {
    ErrorReport::Guarded([&] {
      if (guarded) AnswerRemoteCheck(guarded, Check);
    });
    if (!Check.ServerCopy.isEmpty()) QFile::remove(Check.ServerCopy);
    --FConflictQuestions;
  });
}

void TMainWindow::AnswerRemoteCheck(TPage* Page, const TRemoteCheck& Check) {
  using TVerdict = TRemoteCheck::TVerdict;
  const QString name = QString::fromLocal8Bit(Check.RemotePath);
  QString text;
  QList<TConflictAnswer> offered;
  if (Check.Verdict == TVerdict::Changed) {
    text = QString("%1 has changed on the server since it was opened.").arg(name);
    offered = {TConflictAnswer::Overwrite, TConflictAnswer::OpenServerVersion,
               TConflictAnswer::Cancel};
  } else if (Check.Verdict == TVerdict::Deleted) {
    text = QString("%1 has changed on the server since it was opened: it is no longer there.")
               .arg(name);
    offered = {TConflictAnswer::Overwrite, TConflictAnswer::Cancel};
  } else {
    text = QString("%1 already exists on the server.").arg(name);
    offered = {TConflictAnswer::Replace, TConflictAnswer::Cancel};
  }
  TConflictAnswer answer = AskConflict(text, offered);
  if (!offered.contains(answer)) answer = TConflictAnswer::Cancel;
  if (answer == TConflictAnswer::Overwrite || answer == TConflictAnswer::Replace) {
    SendPage(Page, Check.LocalPath);
    return;
  }
  FUnsavedGuard->Abandon(Page);
  if (answer == TConflictAnswer::OpenServerVersion) OpenServerVersion(Page, Check);
}

// The server's text goes into a new tab, as if just opened; the user's page
// keeps its text, unsaved.
void TMainWindow::OpenServerVersion(TPage* Page, const TRemoteCheck& Check) {
  TPage* fresh = CreateTab(Page->Caption());
  if (Page->Dir()) fresh->SetDir(Page->Dir());
  fresh->SetRemoteFileName(Check.RemotePath);
  fresh->SetRemoteFingerprint(Check.ServerFingerprint);
  fresh->LoadFromFile(Check.ServerCopy);
  fresh->UpdateHighlighter();
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

bool TMainWindow::AskSaveAsName(QString& FileName) {
  if (!FSaveAsForm || FSaveAsForm->exec() != QDialog::Accepted) return false;
  FileName = FSaveAsForm->FileNameEdit()->text();
  return true;
}

bool TMainWindow::Confirm(const QString& Text) {
  return QMessageBox::question(this, "Confirm", Text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

TMainWindow::TConflictAnswer TMainWindow::AskConflict(const QString& Text,
                                                      const QList<TConflictAnswer>& Offered) {
  QMessageBox box(QMessageBox::Warning, "Quillery", Text, QMessageBox::NoButton, this);
  std::map<const QAbstractButton*, TConflictAnswer> answers;
  for (TConflictAnswer answer : Offered) {
    QAbstractButton* button = nullptr;
    switch (answer) {
      case TConflictAnswer::Overwrite:
        button = box.addButton("Overwrite", QMessageBox::DestructiveRole);
        break;
      case TConflictAnswer::Replace:
        button = box.addButton("Replace", QMessageBox::DestructiveRole);
        break;
      case TConflictAnswer::OpenServerVersion:
        button = box.addButton("Open server version", QMessageBox::ActionRole);
        break;
      case TConflictAnswer::Cancel:
        button = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(static_cast<QPushButton*>(button));
        box.setEscapeButton(button);
        break;
    }
    answers[button] = answer;
  }
  box.exec();
  const auto found = answers.find(box.clickedButton());
  return found == answers.end() ? TConflictAnswer::Cancel : found->second;
}

void TMainWindow::ShowError(const QString& Text) { QMessageBox::critical(this, "Error", Text); }

void TMainWindow::ShowMessage(const QString& Text) {
  QMessageBox::information(this, "Quillery", Text);
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

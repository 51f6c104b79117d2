#include "remote/editing/RemoteEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/editing/DriverPage.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"

TRemoteEditor::TRemoteEditor(TConnectionDriver& Driver, IUserPrompts& Prompts, THooks Hooks)
    : FDriver(Driver), FPrompts(&Prompts), FHooks(std::move(Hooks)) {
  FDriver.SetTransferListener(this);
  FDisconnectTimer.setInterval(100);
  QObject::connect(&FDisconnectTimer, &QTimer::timeout, &FContext,
                   [this] { ErrorReport::Guarded([this] { DisconnectWhenSaved(); }); });
}

TRemoteEditor::~TRemoteEditor() {
  FDriver.SetTransferListener(nullptr);
  for (const TQuestion& question : FQuestions)
    if (!question.Check.ServerCopy.isEmpty()) QFile::remove(question.Check.ServerCopy);
}

// psftp shows a name with its control characters stripped, and fetches by
// the name it showed: of two files that show one name, either row would
// fetch the same file, which may be neither.
bool TRemoteEditor::Ambiguous(const IPage* Page, const QString& Name) {
  const TDir* dir = Page->Dir();
  if (!dir || dir->CountNamed(Name) < 2) return false;
  FPrompts->Inform(
      IUserPrompts::TTone::Error,
      QString("psftp shows %1 for more than one file; Quillery cannot tell them apart").arg(Name));
  return true;
}

void TRemoteEditor::OpenSelected(IPage* Page) {
  const TFile* file = Page ? Page->SelectedFile() : nullptr;
  if (!file || Ambiguous(Page, file->RemoteName())) return;
  if (file->MayBeBinary() &&
      !FPrompts->Confirm(
          QString("%1 may be a binary file. Download anyway?").arg(file->RemoteName())))
    return;
  FDriver.Open(Page, *file);
  if (!file->IsDirectory() && !file->IsLink()) Page->SetReceiving(true);
}

// A page that has no name yet gets one in Save As, below the download folder.
bool TRemoteEditor::Save(IPage* Page) {
  // Part of a text must never replace the whole file.
  if (Page->Loading()) {
    FPrompts->Inform(IUserPrompts::TTone::Message,
                     QString("%1 is still being opened.").arg(Page->Document().DisplayName()));
    return false;
  }
  if (FDriver.Checking(Page)) return true;  // on its way; a second check would ask twice
  const TRemoteDocument& document = Page->Document();
  if (Page->Dir() && !document.RemotePath.isEmpty()) {
    const QString remote = QString::fromLocal8Bit(document.RemotePath);
    const qsizetype slash = remote.lastIndexOf('/');
    const QString folder = slash <= 0 ? QString("/") : remote.left(slash);
    if (Page->Dir()->Name() == folder && Ambiguous(Page, remote.mid(slash + 1))) return false;
  }
  // Checked now, the running upload would pass for someone else's change.
  if (FDriver.Saving(Page)) {
    if (std::find(FSaveAgain.begin(), FSaveAgain.end(), Page) == FSaveAgain.end())
      FSaveAgain.push_back(Page);
    return true;
  }
  if (Page->Document().DeletedHere && !SaveDeletedAgain(Page)) return false;
  QString localPath = Page->Document().LocalPath;
  if (localPath.isEmpty()) {
    const std::optional<QString> name = FPrompts->AskText("Save As...", "Filename:");
    if (!name) return false;
    try {
      localPath = SaveAsLocalPath(Page->Document().Folder(), *name);
    } catch (const Exception& e) {
      FPrompts->Inform(IUserPrompts::TTone::Error, e.Message());
      return false;
    }
  }
  // Without psftp nothing can reach the server, so there is nothing to check;
  // the local copy is still written, the text's one other home.
  if (!FDriver.PsftpRunning()) {
    Send(Page, localPath);
    return true;
  }
  FDriver.Check(Page, localPath);
  return true;
}

// The document takes the local copy's name only once the save goes out: a
// page whose save was cancelled at the question stays unnamed.
void TRemoteEditor::Send(IPage* Page, const QString& LocalPath) {
  FDriver.Save(Page, LocalPath);
  Page->Document().LocalPath = LocalPath;
  Page->DocumentChanged();
}

void TRemoteEditor::Drop(IPage* Page, bool Connected, const QStringList& Files) {
  if (!Connected) throw Exception("Not connected");
  if (Files.size() >= 2) {
    FPrompts->Inform(IUserPrompts::TTone::Message, "You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  const QString path = Files.first();
  if (!FPrompts->Confirm(QString("Upload the file %1 to the server?").arg(path))) return;
  FDriver.Upload(Page, path);
}

TRemoteEditor::TUploadAnswer TRemoteEditor::AskAboutUploads() {
  const QStringList names = FDriver.UploadNames();
  if (names.isEmpty()) return TUploadAnswer::None;
  IUserPrompts::TChoice choice;
  choice.Title = "Quillery";
  choice.Text = names.size() == 1 ? QString("%1 is still being saved.").arg(names.first())
                                  : QString("%1 and %2 more are still being saved.")
                                        .arg(names.first())
                                        .arg(names.size() - 1);
  choice.Answers = QStringList{"Wait", "Stop the save"};
  choice.Default = choice.Escape = 0;
  return FPrompts->Choose(choice) == 1 ? TUploadAnswer::Stop : TUploadAnswer::Wait;
}

// psftp's "put" truncates the server's file before it writes, so a stopped
// upload in place may leave it short; a swap's steps never cut a text short,
// and the status bar says where each one is once psftp has ended.
void TRemoteEditor::StopUploads() {
  const QStringList names = FDriver.UploadNames();
  const QStringList inPlace = FDriver.UploadNames(true);
  FDisconnectTimer.stop();
  FDriver.Abort();
  QStringList swapped;
  for (const QString& name : names)
    if (!inPlace.contains(name) && !swapped.contains(name)) swapped << name;
  QStringList texts;
  if (!inPlace.isEmpty())
    texts << QString(
                 "The save of %1 was stopped. The server's copy may be incomplete; your "
                 "text is kept, unsaved.")
                 .arg(inPlace.join(", "));
  if (!swapped.isEmpty())
    texts << QString(
                 "The save of %1 was stopped. No text on the server was cut short; the "
                 "status bar says where each one is, and your text is still here.")
                 .arg(swapped.join(", "));
  if (!texts.isEmpty()) FPrompts->Inform(IUserPrompts::TTone::Error, texts.join("\n"));
}

void TRemoteEditor::Disconnect() {
  switch (AskAboutUploads()) {
    case TUploadAnswer::None:
      FDriver.Disconnect();
      return;
    case TUploadAnswer::Wait:
      FDisconnectTimer.start();
      return;
    case TUploadAnswer::Stop:
      StopUploads();
      return;
  }
}

// Uploads end in their own time, dropped uploads included; the disconnect
// that waits for them looks now and then, with no limit.
void TRemoteEditor::DisconnectWhenSaved() {
  if (!FDriver.PsftpRunning()) {
    FDisconnectTimer.stop();
    return;
  }
  if (!FDriver.UploadNames().isEmpty()) return;
  FDisconnectTimer.stop();
  FDriver.Disconnect();
}

// A saved page's local copy is what the server holds, and nothing will read
// it again; an unsaved one may be the only copy of a text, so it stays.
void TRemoteEditor::PageClosing(IPage* Page) {
  const TRemoteDocument& document = Page->Document();
  if (document.Saved && !FDriver.Saving(Page) && !document.LocalFolder.isEmpty())
    QDir(document.LocalFolder).removeRecursively();
  FDriver.PageClosing(Page);
  FSaveAgain.erase(std::remove(FSaveAgain.begin(), FSaveAgain.end(), Page), FSaveAgain.end());
  for (TQuestion& question : FQuestions)
    if (question.Page == Page) question.Page = nullptr;
}

void TRemoteEditor::FileDownloaded(IPage* Page, const QString& LocalPath,
                                   const QByteArray& RemotePath) {
  TRemoteDocument& document = Page->Document();
  document.RemotePath = RemotePath;
  document.OnServer = true;
  document.LastSaveFailed = false;
  try {
    Page->LoadFromFile(LocalPath);
  } catch (const Exception& e) {
    FPrompts->Inform(IUserPrompts::TTone::Error,
                     QString("Unable to load local file %1 (%2)")
                         .arg(QFileInfo(LocalPath).fileName(), e.Message()));
  }
  document.LocalPath = LocalPath;
  Page->DocumentChanged();
}

void TRemoteEditor::DownloadEnded(IPage* Page) { Page->SetReceiving(false); }

// Text typed while the upload ran is not on the server: the page stays
// unsaved then.
void TRemoteEditor::FileUploaded(IPage* Page, quint64 SentVersion) {
  TRemoteDocument& document = Page->Document();
  document.Saved = Page->TextVersion() == SentVersion;
  document.OnServer = true;
  document.LastSaveFailed = false;
  Page->DocumentChanged();
  const auto again = std::find(FSaveAgain.begin(), FSaveAgain.end(), Page);
  if (again == FSaveAgain.end()) return;
  FSaveAgain.erase(again);
  if (!document.Saved) ErrorReport::Guarded([&] { Save(Page); });
}

// The failure is shown already; a save asked for meanwhile is not sent
// after it, as it would fail or ask the same.
void TRemoteEditor::UploadFailed(IPage* Page, bool MayBeCut) {
  Page->Document().LastSaveFailed = true;
  Page->Document().LastSaveCut = MayBeCut;
  FSaveAgain.erase(std::remove(FSaveAgain.begin(), FSaveAgain.end(), Page), FSaveAgain.end());
}

void TRemoteEditor::RemoteChecked(IPage* Page, const TRemoteCheck& Check) {
  if (Check.Verdict == TRemoteCheck::TVerdict::Unchanged) {
    Send(Page, Check.LocalPath);
    return;
  }
  if (Check.Verdict == TRemoteCheck::TVerdict::Failed) return;  // the refusal is shown
  FQuestions.push_back({Page, Check});
  QTimer::singleShot(0, &FContext, [this] { AskNext(); });
}

// One question at a time: a dialog's own event loop may run the next call
// while the first question is still open.
void TRemoteEditor::AskNext() {
  if (FAskingNow || FQuestions.empty()) return;
  FAskingNow = true;
  const TQuestion question = FQuestions.front();
  // Still counted while it is asked: the save is under way until answered.
  ErrorReport::Guarded([&] {
    if (question.Page) Answer(question.Page, question.Check);
  });
  if (!question.Check.ServerCopy.isEmpty()) QFile::remove(question.Check.ServerCopy);
  FQuestions.erase(FQuestions.begin());
  FAskingNow = false;
  if (!FQuestions.empty()) QTimer::singleShot(0, &FContext, [this] { AskNext(); });
}

void TRemoteEditor::Answer(IPage* Page, const TRemoteCheck& Check) {
  using TVerdict = TRemoteCheck::TVerdict;
  const QString name = QString::fromLocal8Bit(Check.RemotePath);
  IUserPrompts::TChoice choice;
  choice.Title = "Quillery";
  choice.Tone = IUserPrompts::TTone::Error;
  if (Check.Verdict != TVerdict::Exists && Page->Document().LastSaveFailed) {
    // Quillery's own save broke off: that is the change, nobody else's.
    choice.Text = Page->Document().LastSaveCut
                      ? QString(
                            "The last save of %1 did not finish, so the server's copy may be "
                            "incomplete.")
                            .arg(name)
                      : QString(
                            "The last save of %1 did not finish, so the server's copy may not be "
                            "what this page last saw. No text was cut short: the old text is kept "
                            "beside it under a hidden name.")
                            .arg(name);
    choice.Answers = Check.Verdict == TVerdict::Changed
                         ? QStringList{"Overwrite", "Open server version", "Cancel"}
                         : QStringList{"Overwrite", "Cancel"};
  } else if (Check.Verdict == TVerdict::Changed) {
    choice.Text = QString("%1 has changed on the server since it was opened.").arg(name);
    choice.Answers = QStringList{"Overwrite", "Open server version", "Cancel"};
  } else if (Check.Verdict == TVerdict::Deleted) {
    choice.Text =
        QString("%1 has changed on the server since it was opened: it is no longer there.")
            .arg(name);
    choice.Answers = QStringList{"Overwrite", "Cancel"};
  } else {
    choice.Text = QString("%1 already exists on the server.").arg(name);
    choice.Answers = QStringList{"Replace", "Cancel"};
  }
  choice.Default = choice.Escape = int(choice.Answers.size()) - 1;
  const int index = FPrompts->Choose(choice);
  const QString answer = index >= 0 && index < choice.Answers.size() ? choice.Answers[index] : "";
  // A question answered after its page went has nothing to act on.
  if (FQuestions.empty() || FQuestions.front().Page != Page) return;
  if (answer == "Overwrite" || answer == "Replace") {
    Send(Page, Check.LocalPath);
    return;
  }
  if (FHooks.SaveAbandoned) FHooks.SaveAbandoned(Page);
  if (answer == "Open server version") OpenServerVersion(Page, Check);
}

// The user deleted the file from the list. Put back, it is a new file: the
// check then asks only if someone made another one there meanwhile.
bool TRemoteEditor::SaveDeletedAgain(IPage* Page) {
  TRemoteDocument& document = Page->Document();
  const QString remote = QString::fromLocal8Bit(document.RemotePath);
  IUserPrompts::TChoice choice;
  choice.Title = "Quillery";
  choice.Text = QString("%1 is no longer on the server. Save it there again?")
                    .arg(remote.mid(remote.lastIndexOf('/') + 1));
  choice.Answers = QStringList{"Yes", "No"};
  choice.Default = 0;
  choice.Escape = 1;
  if (FPrompts->Choose(choice) != 0) return false;
  document.DeletedHere = false;
  document.Fingerprint = TRemoteFingerprint();
  return true;
}

// The server's text goes into a new page, as if just opened; the user's page
// keeps its text, unsaved.
void TRemoteEditor::OpenServerVersion(IPage* Page, const TRemoteCheck& Check) {
  if (!FHooks.NewPage) return;
  IPage* fresh = FHooks.NewPage();
  if (Page->Dir()) fresh->SetDir(Page->Dir());
  // The check did not fetch the server's bytes: they are opened as from the list.
  if (Check.ServerCopy.isEmpty()) {
    fresh->SetReceiving(true);
    FDriver.OpenFile(fresh, Check.RemotePath);
    return;
  }
  TRemoteDocument& document = fresh->Document();
  document.RemotePath = Check.RemotePath;
  // Its own local copy, under the same name: a save of either page never
  // writes the other's.
  document.LocalPath = document.Folder() + QFileInfo(Page->Document().LocalPath).fileName();
  document.Fingerprint = Check.ServerFingerprint;
  document.OnServer = true;
  fresh->LoadFromFile(Check.ServerCopy);
  fresh->DocumentChanged();
}

#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "remote/editing/TransferListener.h"
#include "remote/listing/Directories.h"
#include "remote/operations/PsftpOutputReader.h"
#include "remote/session/ConnectionState.h"
#include "remote/session/Conversation.h"
#include "remote/session/DriverView.h"
#include "remote/session/HostKeyRequest.h"
#include "remote/session/SaveCheck.h"

class IPage;
class TVirtualRedirector;
class TPsftpQuestions;
class TKeyLogin;
class TPsftpOperation;
class TLoginOperation;
class TChangeDirOperation;
class TListOperation;
class TGetOperation;
class TPutOperation;

// The conversation with psftp: starts it, writes its commands one at a time,
// reads its output into lines and prompts, and hands each line to the
// operation whose answer is open (see TPsftpOperation). It keeps the
// connection state and reaches the window only through IDriverView and
// IPage, so it runs and is tested without widgets. The check before a save
// (TSaveCheck) works through its IConversation.
class TConnectionDriver : private IConversation {
 public:
  TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector);
  ~TConnectionDriver();
  TConnectionDriver(const TConnectionDriver&) = delete;
  TConnectionDriver& operator=(const TConnectionDriver&) = delete;

  // Starts psftp for the host the user chose, once the private key chosen
  // is ready (an OpenSSH key is converted first, which may ask for its
  // passphrase); the starting directory is listed once psftp has logged in,
  // for the page that was active then.
  void Connect(const TConnectValues& Values, IPage* Page);
  // Ends psftp: "bye" when it is idle, at once when a command is unanswered.
  void Disconnect();
  // How long psftp has to end after "bye" before it is ended.
  void SetByeTimeout(int Milliseconds) { FByeTimer.setInterval(Milliseconds); }
  // A new psftp has been started: forget whatever the last one left half done.
  void StartConversation();

  // Bound to the redirector's events.
  void VirtualRedirectorInput(QObject* Sender, const QByteArray& NewInput);
  void VirtualRedirectorErrorInput(QObject* Sender, const QByteArray& NewInput);
  void VirtualRedirectorChildProcessEnd(QObject* Sender);

  // Answers to the requests raised through IDriverView::AskHostKey /
  // AskPassword (a password, or a key's passphrase for psftp or for the
  // conversion of an OpenSSH key).
  void AnswerHostKey(THostKeyAnswer Answer);
  void AnswerPassword(const QByteArray& Password);
  void CancelPassword();

  // Enters the directory Entry names, or downloads the file, for Page, which
  // shows the directory Entry was listed in. A link is tried as a directory
  // first. Throws for a name psftp cannot take; nothing is then sent.
  void Open(IPage* Page, const TFile& Entry);
  // Writes Page's text to LocalPath, its local copy, and uploads it to the
  // page's remote file (or under its own name into psftp's current
  // directory, for a page never downloaded). Throws when the copy cannot be
  // written; nothing is then sent.
  void Save(IPage* Page, const QString& LocalPath);
  // Uploads a local file the user dropped on Page's list into psftp's
  // current directory; the page's own text is not involved.
  void Upload(IPage* Page, const QString& LocalPath);
  // Before a save: whether the remote file Save(Page, LocalPath) would write
  // still is what the page last saw (see TSaveCheck).
  void Check(IPage* Page, const QString& LocalPath) { FSaveCheck.Check(Page, LocalPath); }
  bool Checking(const IPage* Page) const { return FSaveCheck.Checking(Page); }
  // True while an upload of Page's own text is queued or unanswered.
  bool Saving(const IPage* Page) const;

  // The window calls this before a page is destroyed: the driver never
  // touches that page again and drops a result that was meant for it.
  void PageClosing(IPage* Page);
  // True while an upload (or the check a save begins with) was asked for and
  // neither its result nor a failure has come.
  bool UploadPending() const;
  // The remote files uploads are writing or will write, in order.
  QStringList UploadNames() const;
  // Ends psftp at once, whatever it is doing; what it had not answered is
  // dropped (see TPsftpOperation::Drop).
  void Abort();
  // Where downloads, uploads and checks are reported (the editing controller).
  void SetTransferListener(ITransferListener* Listener) { FListener = Listener; }
  // True while psftp runs: only then can anything reach the server.
  bool PsftpRunning() const;
  // True while a command is queued or its answer is open.
  bool Busy() const;

  bool Connected() const { return FState.Connected(); }
  // Shows the connected or not-connected state everywhere.
  void SetConnected(bool Value);
  const QString& CurrentDir() const { return FCurrentDir; }
  bool Downloading() const { return FDownloading; }
  TDirectories& Directories() override { return FDirectories; }

 private:
  // Logging in.
  std::unique_ptr<TKeyLogin> MakeKeyLogin();
  void StartPsftp(const QString& PsftpKey);
  void AskPassword(TPasswordRequest Request);
  void GiveUpLogin(const QString& Text, const QString& Detail);

  // The conversation.
  void Start(TOperationPtr Operation) override;
  void Restart(TOperationPtr Login) override;
  bool ForgetQueued() override;
  // Operation, with Meaning to act on its outcome at the prompt.
  template <class TOperation>
  TOperationPtr Bind(std::unique_ptr<TOperation> Operation,
                     void (TConnectionDriver::*Meaning)(TOperation&)) {
    return IConversation::Bind(std::move(Operation), *this, Meaning);
  }
  void WriteNext();
  void LogPiece(const QByteArray& Piece);
  void HandleLine(const QString& Line);
  void HandlePrompt();
  void ReportFailure(const TPsftpOperation& Operation) override;
  void ResetConversation();
  void ShowProgress();
  void EndProgress();

  // What each operation's end means.
  void FinishLogin(TLoginOperation& Login);
  void EnterDir(IPage* Page, const QByteArray& Dir) override;
  void FinishChangeDir(TChangeDirOperation& ChangeDir);
  void FinishList(TListOperation& List);
  void FinishGet(TGetOperation& Get);
  void PlaceDownload(TGetOperation& Get);
  bool AnyOperation(const std::function<bool(const TPsftpOperation&)>& Test) const override;
  void FinishPut(TPutOperation& Put);
  QByteArray SaveTarget(const IPage& Page, const QString& LocalPath) const override;
  QString RemotePathOf(const IPage& Page, const class TFile& File) const;

  ITransferListener& Listener() override;
  IDriverView& View() override { return FView; }
  void Debug(const QString& S) override;
  void SetStatus(const QString& S, int Index, const QString& Detail = QString()) override;
  void ShowConnection();
  void SetCurrentDir(const QString& Value) override;
  void SetDownloading(bool Value);
  void DeletePasswordFile();

  IDriverView& FView;
  ITransferListener* FListener = nullptr;
  TVirtualRedirector& FRedirector;
  std::unique_ptr<TPsftpQuestions> FQuestions;
  std::unique_ptr<TKeyLogin> FKeyLogin;
  TPsftpOutputReader FReader;

  // The operation whose answer psftp is printing, and those not yet written.
  TOperationPtr FOpen;
  std::deque<TOperationPtr> FQueue;
  // Ends a psftp that has not ended some time after "bye".
  QTimer FByeTimer;
  // Shows how far a long download or listing has come, in place of panel 0's
  // text, which comes back when it ends.
  QTimer FProgressTimer;
  QString FStatus0;
  QString FStatus0ToolTip;
  bool FProgressShown = false;
  // How much of the open answer went to the debug log, and how much not.
  qint64 FAnswerLogged = 0;
  qint64 FAnswerNotLogged = 0;

  TDirectories FDirectories;
  TConnectionState FState;
  QString FCurrentDir;
  bool FDownloading = false;
  QByteArray FStartingDir;
  IPage* FStartingPage = nullptr;
  QByteArray FCurrentHostName;
  QByteArray FCurrentUserName;
  int FCurrentPort = 22;
  THostKeyRequest::TKind FPendingQuestion = THostKeyRequest::hkNewKey;
  QString FPasswordFile;

  // The login under way: what was chosen, and what psftp has said of it.
  struct TLogin {
    QByteArray PendingPassword;  // until psftp starts, after the key is ready
    QString KeyFile;
    bool ViaAgent = false;  // nothing to log in with but what the agent holds
    int WrongPassphrases = 0;
    bool KeyRefused = false;
    bool PasswordAsked = false;
  } FLogin;
  // Connect is on the stack: a key ready at once starts psftp within it, and
  // a failure then goes to Connect's caller.
  bool FInConnect = false;

  TSaveCheck FSaveCheck{*this};
};

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "remote/editing/TransferListener.h"
#include "remote/listing/Directories.h"
#include "remote/operations/AnswerEnd.h"
#include "remote/operations/PsftpOutputReader.h"
#include "remote/session/ConnectionLogin.h"
#include "remote/session/Conversation.h"
#include "remote/session/DriverView.h"
#include "remote/session/FileCommands.h"
#include "remote/session/SaveCheck.h"
#include "remote/session/SaveSender.h"
#include "remote/session/StatusMessage.h"

class IPage;
class TVirtualRedirector;
class TChangeDirOperation;
class TListOperation;
class TGetOperation;

// The conversation with psftp: starts it, writes its commands one at a time,
// reads its output into lines and answers' ends, and hands each line to the
// operation whose answer is open (see TPsftpOperation). It reaches the window
// only through IDriverView and IPage, so it runs and is tested without
// widgets. The login and the end of psftp (TConnectionLogin) and the check
// before a save (TSaveCheck) and the sending of a save (TSaveSender) work
// through its IConversation.
class TConnectionDriver : private IConversation {
 public:
  TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector);
  ~TConnectionDriver();
  TConnectionDriver(const TConnectionDriver&) = delete;
  TConnectionDriver& operator=(const TConnectionDriver&) = delete;

  // Starting psftp, answering its questions, and ending it: see
  // TConnectionLogin.
  // Listed, when given, runs once Page shows the starting folder.
  void Connect(const TConnectValues& Values, IPage* Page, TListed Listed = TListed()) {
    FLogin.Connect(Values, Page, std::move(Listed));
  }
  void Disconnect() { FLogin.Disconnect(); }
  void SetByeTimeout(int Milliseconds) { FLogin.SetByeTimeout(Milliseconds); }
  void StartConversation() { FLogin.StartConversation(); }
  void AnswerHostKey(THostKeyAnswer Answer) { FLogin.AnswerHostKey(Answer); }
  void AnswerPassword(const QByteArray& Password) { FLogin.AnswerPassword(Password); }
  void CancelPassword() { FLogin.CancelPassword(); }
  bool Connected() const { return FLogin.Connected(); }
  void SetConnected(bool Value) { FLogin.SetConnected(Value); }
  // The server of the connection under way or last made.
  const QByteArray& HostName() const { return FLogin.HostName(); }
  QByteArray UserName() const override { return FLogin.UserName(); }
  int Port() const { return FLogin.Port(); }
  TConnectionState::TStage Stage() const { return FLogin.Stage(); }

  // Bound to the redirector's events.
  void VirtualRedirectorInput(QObject* Sender, const QByteArray& NewInput);
  void VirtualRedirectorErrorInput(QObject*, const QByteArray& NewInput) {
    FLogin.ErrorInput(NewInput);
  }
  void VirtualRedirectorChildProcessEnd(QObject* Sender);

  // The commands on the server's files from a page's list.
  TFileCommands& Files() { return FFiles; }
  void OpenFile(IPage* Page, const QByteArray& Path) override;
  QString HomeDir() const override { return FLogin.HomeDir(); }

  // Enters the directory Entry names, or downloads the file, for Page, which
  // shows the directory Entry was listed in. A link is tried as a directory
  // first. Throws for a name psftp cannot take; nothing is then sent.
  void Open(IPage* Page, const TFile& Entry);
  // Enters the folder Dir (absolute, or relative to psftp's current one)
  // for Page and lists it there, as the login enters the starting folder;
  // then Listed, when given.
  void OpenFolder(IPage* Page, const QByteArray& Dir, TListed Listed) {
    EnterDir(Page, Dir, std::move(Listed));
  }
  // Writes Page's text to LocalPath, its local copy, and uploads it to the
  // page's remote file (or under its own name into psftp's current
  // directory, for a page never downloaded). Throws when the copy cannot be
  // written; nothing is then sent.
  void Save(IPage* Page, const QString& LocalPath) { FSender.Save(Page, LocalPath); }
  // Uploads a local file the user dropped on Page's list into psftp's
  // current directory; the page's own text is not involved.
  void Upload(IPage* Page, const QString& LocalPath) { FSender.Upload(Page, LocalPath); }
  // Before a save: whether the remote file Save(Page, LocalPath) would write
  // still is what the page last saw (see TSaveCheck).
  void Check(IPage* Page, const QString& LocalPath) { FSaveCheck.Check(Page, LocalPath); }
  bool Checking(const IPage* Page) const { return FSaveCheck.Checking(Page); }
  // True while an upload of Page's own text is queued or unanswered, or its
  // local copy is being written for one.
  bool Saving(const IPage* Page) const;

  // The window calls this before a page is destroyed: the driver never
  // touches that page again and drops a result that was meant for it.
  void PageClosing(IPage* Page);
  // True while an upload (or the check a save begins with, or the writing of
  // the local copy it sends) was asked for and neither its result nor a
  // failure has come.
  bool UploadPending() const;
  // The remote files uploads are writing or will write, in order; with
  // InPlaceOnly, those that write the file itself (whose stop may cut it short).
  QStringList UploadNames(bool InPlaceOnly = false) const;
  // Ends psftp at once, whatever it is doing; what it had not answered is
  // dropped (see TPsftpOperation::Drop).
  void Abort();
  // Where downloads, uploads and checks are reported (the editing controller).
  void SetTransferListener(ITransferListener* Listener) { FListener = Listener; }
  // True while psftp runs: only then can anything reach the server.
  bool PsftpRunning() const override;
  // True while a command is queued or its answer is open, or a check waits
  // for a digest.
  bool Busy() const;

  const QString& CurrentDir() const override { return FCurrentDir; }
  bool Downloading() const { return FDownloading; }
  TDirectories& Directories() override { return FDirectories; }

 private:
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
  void HandleEnd();
  void ReportFailure(const TPsftpOperation& Operation) override;
  void ResetConversation();

  // What each operation's end means.
  void EnterDir(IPage* Page, const QByteArray& Dir, TListed Listed) override;
  void ListCurrentDir() override;
  void FinishChangeDir(TChangeDirOperation& ChangeDir);
  void ListEnteredDir(TChangeDirOperation& ChangeDir, TListed Listed);
  void FinishList(TListOperation& List) { ShowList(List); }
  // The listing stored and shown; null when psftp refused it.
  TDir* ShowList(TListOperation& List);
  void FinishGet(TGetOperation& Get);
  void PlaceDownload(TGetOperation& Get);
  bool AnyOperation(const std::function<bool(const TPsftpOperation&)>& Test) const override;
  QString RemotePathOf(const IPage& Page, const class TFile& File) const;

  ITransferListener& Listener() override;
  IDriverView& View() override { return FView; }
  void Debug(const QString& S) override;
  void SetStatus(const QString& S, int Index, const QString& Detail = QString()) override;
  void SetCurrentDir(const QString& Value) override;
  void SetDownloading(bool Value);

  IDriverView& FView;
  ITransferListener* FListener = nullptr;
  TVirtualRedirector& FRedirector;
  TPsftpOutputReader FReader;
  TAnswerEnd FAnswerEnd;

  // The operation whose answer psftp is printing, and those not yet written.
  TOperationPtr FOpen;
  std::deque<TOperationPtr> FQueue;
  TStatusMessage FMessage{FView, [this] { return FOpen ? FOpen->Progress() : QString(); }};
  // How much of the open answer went to the debug log, and how much not.
  qint64 FAnswerLogged = 0;
  qint64 FAnswerNotLogged = 0;

  TDirectories FDirectories;
  QString FCurrentDir;
  bool FDownloading = false;

  TConnectionLogin FLogin{*this, FRedirector};
  TSaveCheck FSaveCheck{*this};
  TSaveSender FSender{*this, FSaveCheck};
  TFileCommands FFiles{*this};
};

#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

#include "remote/Directories.h"
#include "remote/DriverView.h"
#include "remote/HostKeyRequest.h"
#include "remote/PerlRegEx.h"

class IPage;
class TVirtualRedirector;
class TPsftpQuestions;

enum TDataKind { dkNone, dkLs };

// The conversation with psftp: starts it, writes its commands, reads its
// output line by line, recognises the login, directory, listing and transfer
// results and keeps the connection state. It reaches the window only through
// IDriverView and IPage, so it runs and is tested without widgets.
class TConnectionDriver {
 public:
  TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector);
  ~TConnectionDriver();
  TConnectionDriver(const TConnectionDriver&) = delete;
  TConnectionDriver& operator=(const TConnectionDriver&) = delete;

  // Connect through the connect dialog, or disconnect when connected.
  void ConnectActionExecute();
  void ConnectToHost(const QByteArray& HostName, const QByteArray& UserName,
                     const QByteArray& Password, int Port, const QByteArray& InitialDir);
  // Writes one command built from a verb and its arguments, each argument
  // quoted the way psftp parses them. Throws for an argument holding CR or LF.
  void Cmd(const QByteArray& Verb, const QByteArrayList& Args = {});
  void Disconnect();
  // A new psftp has been started: forget whatever the last one left half done.
  void StartConversation();

  // Bound to the redirector's events.
  void VirtualRedirectorInput(QObject* Sender, const QByteArray& NewInput);
  void VirtualRedirectorErrorInput(QObject* Sender, const QByteArray& NewInput);
  void VirtualRedirectorChildProcessEnd(QObject* Sender);

  // Answers to the requests raised through IDriverView::AskHostKey / AskPassword.
  void AnswerHostKey(THostKeyAnswer Answer);
  void AnswerPassword(const QByteArray& Password);
  void CancelPassword();

  // Listing and navigation.
  void OnListDirectory();
  void UpdateTabsWithNewDirectoryList(TDir* Dir);
  void DirListBoxDblClick();

  // Transfers.
  void OnFileDownload(const QString& Data);
  void OnFileUpload(const QString& Data);
  void SaveActionExecute();
  // A local file dropped on a page's directory list (FrameConnected: what that frame shows).
  void DirListFileDrop(bool FrameConnected, const QStringList& Files);

  // The window calls this before a page is destroyed: the driver never
  // touches that page again and drops a result that was meant for it.
  void PageClosing(IPage* Page);
  // True while an upload was written and neither its result nor a refusal has come.
  bool UploadPending() const;

  void Debug(const QString& S);
  void SetStatus(const QString& S, int Index);
  QString GetTempFolder() const;

  bool Connected() const { return FConnected; }
  void SetConnected(bool Value);
  const QString& CurrentDir() const { return FCurrentDir; }
  void SetCurrentDir(const QString& Value);
  const QStringList& Data() const { return FData; }
  TDataKind DataKind() const { return FDataKind; }
  bool DataPending() const { return FDataPending; }
  void SetDataPending(bool Value);
  bool Downloading() const { return FDownloading; }
  void SetDownloading(bool Value);
  // Throws "PendingPage = nil" when no page is pending.
  IPage* PendingPage() const;
  TDirectories& Directories() { return FDirectories; }
  const QByteArray& CurrentHostName() const { return FCurrentHostName; }
  const QByteArray& CurrentUserName() const { return FCurrentUserName; }

 private:
  enum class TAwaited { Login, Cd, Ls, Get, Put, Other };
  // One answer psftp owes us, in the order the commands were written. Each
  // carries the page that was active when its command went out, so a result
  // lands on its own page even when later commands are already queued.
  struct TResponse {
    TAwaited Awaited;
    IPage* Page = nullptr;
    bool PageClosed = false;
    bool Succeeded = false;
    bool Failed = false;
  };

  void WriteCommand(const QByteArray& Command, TAwaited Awaited);
  static int LineEnd(const QByteArray& Text);
  TResponse* OpenResponse();
  void MarkSucceeded();
  void HandleLine(const QString& Line);
  void HandleLogin();
  void HandlePrompt();
  void ReportRefusal();
  void ResetResponseState();
  bool MatchDownload(const QString& Line);
  bool MatchUpload(const QString& Line);
  void OnConnect();
  void OnDisconnect();
  void DeletePasswordFile();
  IPage* ResultPage(const QString& What);
  bool CheckSaveAsName(const QString& Name);
  static TAwaited AwaitedFor(const QByteArray& Verb);

  static const QString kDownloadPattern;
  static const QString kUploadPattern;

  IDriverView& FView;
  TVirtualRedirector& FRedirector;
  std::unique_ptr<TPsftpQuestions> FQuestions;

  TDirectories FDirectories;
  bool FConnected = false;
  TPerlRegEx Regex;
  QString FCurrentDir;
  bool FDownloading = false;
  IPage* FPendingPage = nullptr;
  bool FDataPending = false;
  QStringList FData;
  TDataKind FDataKind = dkNone;
  QByteArray FCurrentHostName;
  QByteArray FCurrentUserName;
  // Output since the last complete line; a line or marker split between two
  // pieces waits here for its end.
  QByteArray DataString;
  bool UnfinishedData = false;
  QStringList FResponseLines;
  std::deque<TResponse> FResponses;
  bool FLoginSeen = false;
  bool FSkipPromptBlank = false;
  bool FIgnoreRestOfResponse = false;
  THostKeyRequest::TKind FPendingQuestion = THostKeyRequest::hkNewKey;
  QString FPasswordFile;
};

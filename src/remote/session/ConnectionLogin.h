#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <memory>

#include "remote/session/ConnectValues.h"
#include "remote/session/ConnectionState.h"
#include "remote/session/Conversation.h"
#include "remote/session/HostKeyRequest.h"

class IConversation;
class IPage;
class TKeyLogin;
class TLoginOperation;
class TPsftpQuestions;
class TVirtualRedirector;

// The connection's start and end, for the connection driver: readies the
// private key chosen, starts psftp with what the user chose, raises psftp's
// questions during the login (host key, password, passphrase) through the
// window and passes the answers on, enters the starting directory once
// logged in, and ends psftp. It keeps the connection's stage and shows it.
class TConnectionLogin {
 public:
  TConnectionLogin(IConversation& Driver, TVirtualRedirector& Redirector);
  ~TConnectionLogin();
  TConnectionLogin(const TConnectionLogin&) = delete;
  TConnectionLogin& operator=(const TConnectionLogin&) = delete;

  // Starts psftp for the host the user chose, once the private key chosen
  // is ready (an OpenSSH key is converted first, which may ask for its
  // passphrase); the starting directory is listed once psftp has logged in,
  // for the page that was active then.
  // Listed, when given, runs once Page shows the starting directory.
  void Connect(const TConnectValues& Values, IPage* Page,
               IConversation::TListed Listed = IConversation::TListed());
  // Ends psftp: "bye" when it is idle, at once when a command is unanswered.
  void Disconnect();
  // How long psftp has to end after "bye" before it is ended.
  void SetByeTimeout(int Milliseconds) { FByeTimer.setInterval(Milliseconds); }
  // A new psftp has been started: forget whatever the last one left half done.
  void StartConversation();
  // psftp's error output, where it asks its questions.
  void ErrorInput(const QByteArray& NewInput);
  // psftp has ended.
  void PsftpEnded();

  // Answers to the requests raised through IDriverView::AskHostKey /
  // AskPassword (a password, or a key's passphrase for psftp or for the
  // conversion of an OpenSSH key).
  void AnswerHostKey(THostKeyAnswer Answer);
  void AnswerPassword(const QByteArray& Password);
  void CancelPassword();

  // The starting directory is then listed for no page.
  void PageClosing(IPage* Page);
  bool Connected() const { return FState.Connected(); }
  // The user name psftp logs in with; empty when psftp asks for it.
  const QByteArray& UserName() const { return FCurrentUserName; }
  // The folder the last login started in, as the server named it.
  const QString& HomeDir() const { return FHomeDir; }
  const QByteArray& HostName() const { return FCurrentHostName; }
  int Port() const { return FCurrentPort; }
  TConnectionState::TStage Stage() const { return FState.Stage(); }
  // Shows the connected or not-connected state everywhere.
  void SetConnected(bool Value);
  void ShowConnection();

 private:
  std::unique_ptr<TKeyLogin> MakeKeyLogin();
  void WarnIfKeyShared(const QString& KeyFile);
  static QString JumpCommand(const QString& ProxyJump);
  void StartPsftp(const QString& PsftpKey);
  void FinishLogin(TLoginOperation& Login);
  void AskPassword(TPasswordRequest Request);
  void AskHostKey(THostKeyRequest Request);
  void GiveUpLogin(const QString& Text, const QString& Detail);
  enum class TOpenQuestion { None, HostKey, Password };
  bool TakeOpenQuestion(TOpenQuestion Kind);

  IConversation& FDriver;
  TVirtualRedirector& FRedirector;
  std::unique_ptr<TPsftpQuestions> FQuestions;
  std::unique_ptr<TKeyLogin> FKeyLogin;
  // Ends a psftp that has not ended some time after "bye".
  QTimer FByeTimer;

  TConnectionState FState;
  QByteArray FStartingDir;
  IPage* FStartingPage = nullptr;
  IConversation::TListed FStartingListed;
  QByteArray FCurrentHostName;
  QByteArray FCurrentUserName;
  QString FHomeDir;
  int FCurrentPort = 22;
  QString FProxyJump;
  THostKeyRequest::TKind FPendingQuestion = THostKeyRequest::hkNewKey;
  // The question psftp waits on, the only one an answer may go to.
  TOpenQuestion FOpenQuestion = TOpenQuestion::None;

  // The login under way: what was chosen, and what psftp has said of it.
  struct TAttempt {
    QByteArray PendingPassword;  // until psftp starts, after the key is ready
    QString KeyFile;
    bool ViaAgent = false;  // nothing to log in with but what the agent holds
    int WrongPassphrases = 0;
    bool KeyRefused = false;
    bool PasswordAsked = false;
  } FAttempt;
  // Connect is on the stack: a key ready at once starts psftp within it, and
  // a failure then goes to Connect's caller.
  bool FInConnect = false;
};

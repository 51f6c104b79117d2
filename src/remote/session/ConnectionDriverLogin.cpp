// The connection driver's login: starting psftp with what the user chose,
// readying a private key first, and answering psftp's questions on the way.
#include <QFile>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/CommandLine.h"
#include "process/VirtualRedirector.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/ChangeDirOperation.h"
#include "remote/operations/LoginOperation.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/ConnectionState.h"
#include "remote/session/KeyLogin.h"
#include "remote/session/PlainMessages.h"
#include "remote/session/PsftpProgram.h"
#include "remote/session/PsftpQuestions.h"

std::unique_ptr<TKeyLogin> TConnectionDriver::MakeKeyLogin() {
  TKeyLogin::TCallbacks callbacks;
  callbacks.Ready = [this](const QString& PsftpKey) {
    if (FInConnect)
      StartPsftp(PsftpKey);  // a failure goes to Connect's caller
    else
      ErrorReport::Guarded([&] { StartPsftp(PsftpKey); });
  };
  callbacks.Ask = [this](const TPasswordRequest& Request) { FView.AskPassword(Request); };
  callbacks.Fail = [this](const QString& Text, const QString& Detail) {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    FLogin.PendingPassword.clear();
    SetStatus("Not connected", 0);
    FView.Inform(Text, Detail);
  };
  callbacks.Log = [this](const QString& Line) { Debug(Line); };
  return std::make_unique<TKeyLogin>(std::move(callbacks));
}

void TConnectionDriver::Connect(const TConnectValues& Values, IPage* Page) {
  // A second start does nothing: the names and the starting directory stay
  // those of the connection under way.
  if (!FState.Apply(TConnectionState::TEvent::Connect)) return;
  FCurrentHostName = Values.HostName;
  FCurrentUserName = Values.UserName;
  FCurrentPort = Values.Port;
  FStartingDir = Values.StartingDir;
  FStartingPage = Page;
  FLogin.PendingPassword = Values.Password;
  FLogin.KeyFile = Values.PrivateKeyFile;
  SetStatus("Connecting...", 0);
  FInConnect = true;
  try {
    FKeyLogin->Begin(Values.PrivateKeyFile);
  } catch (...) {
    FInConnect = false;
    FState.Apply(TConnectionState::TEvent::StartFailed);  // nothing is left starting
    throw;
  }
  FInConnect = false;
}

void TConnectionDriver::StartPsftp(const QString& PsftpKey) {
  const QByteArray password = FLogin.PendingPassword;
  FLogin.PendingPassword.clear();
  FLogin.ViaAgent = password.isEmpty() && PsftpKey.isEmpty();
  // A start that fails leaves no psftp whose end would clear "Connecting...".
  try {
    QString parameters = QString("-v -P %1").arg(FCurrentPort);
    if (!password.isEmpty()) {
      FPasswordFile = WriteSecretWorkFile("pw-", password);
      parameters += " -pwfile " + QuoteCommandLineArgument(FPasswordFile);
    }
    if (!PsftpKey.isEmpty()) parameters += " -i " + QuoteCommandLineArgument(PsftpKey);
    parameters += " -l " + QuoteCommandLineArgument(QString::fromLocal8Bit(FCurrentUserName)) +
                  " " + QuoteCommandLineArgument(QString::fromLocal8Bit(FCurrentHostName));
    FRedirector.Run(PsftpProgramFile(), GetTempFolder(), parameters);
  } catch (...) {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    DeletePasswordFile();
    SetStatus("Not connected", 0);
    throw;
  }
  if (FRedirector.Running()) {
    StartConversation();
  } else {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    DeletePasswordFile();
    SetStatus("Not connected", 0);
  }
}

void TConnectionDriver::StartConversation() {
  FState.Apply(TConnectionState::TEvent::PsftpStarted);
  FQuestions->Reset();
  FLogin.WrongPassphrases = 0;
  FLogin.KeyRefused = false;
  FLogin.PasswordAsked = false;
  Restart(Bind(std::make_unique<TLoginOperation>(), &TConnectionDriver::FinishLogin));
}

// psftp reads "bye" only between commands: while one is unanswered, psftp is
// busy with it (or stuck on a stalled server), so it is ended instead.
void TConnectionDriver::Disconnect() {
  if (FState.Stage() == TConnectionState::TStage::Starting) return CancelPassword();
  FState.Apply(TConnectionState::TEvent::Disconnect);
  // "bye" is read once the login is done.
  if (ForgetQueued()) {
    Debug("Disconnect: a command was still unanswered, so psftp was ended");
    FRedirector.Kill();
    return;
  }
  FView.Log(IDriverView::TLog::Command, "bye");
  try {
    FRedirector.Write("bye");
  } catch (const Exception& e) {
    Debug("psftp did not take the command: " + e.Message());  // it has ended already
  }
  FByeTimer.start();
}

void TConnectionDriver::DeletePasswordFile() {
  if (FPasswordFile.isEmpty()) return;
  QFile::remove(FPasswordFile);
  FPasswordFile.clear();
}

void TConnectionDriver::FinishLogin(TLoginOperation& Login) {
  if (!Login.Succeeded()) {
    ReportFailure(Login);
    return;
  }
  DeletePasswordFile();
  FState.Apply(TConnectionState::TEvent::LoggedIn);
  ShowConnection();
  // No password, no key and no question, yet logged in: the SSH agent gave
  // its key (psftp says so only with -v, which it does not get). Said, so
  // a user who expected a password question knows why none came.
  if (FLogin.ViaAgent && !FLogin.PasswordAsked) SetStatus("Connected (SSH agent)", 0);
  SetCurrentDir(Login.HomeDir());
  ErrorReport::Guarded([this] { EnterDir(FStartingPage, FStartingDir); });
}

void TConnectionDriver::VirtualRedirectorErrorInput(QObject*, const QByteArray& NewInput) {
  Debug(QString::fromLocal8Bit(NewInput));
  for (const TPsftpQuestions::TEvent& event : FQuestions->Feed(NewInput)) {
    switch (event.Kind) {
      case TPsftpQuestions::TEvent::HostKey:
        FPendingQuestion = event.Question.Kind;
        FView.AskHostKey(event.Question);
        break;
      case TPsftpQuestions::TEvent::Password:
        AskPassword(event.Prompt);
        break;
      case TPsftpQuestions::TEvent::FatalError: {
        const TPlainMessages::TFatalError error =
            TPlainMessages::FatalError(event.Message, QString::fromLocal8Bit(FCurrentHostName),
                                       FCurrentPort, QString::fromLocal8Bit(FCurrentUserName));
        Debug("Fatal: " + error.Text);
        FView.Inform(error.Text, error.Detail);
        break;
      }
      case TPsftpQuestions::TEvent::WrongPassphrase:
        ++FLogin.WrongPassphrases;
        break;
      case TPsftpQuestions::TEvent::KeyRefused:
        FLogin.KeyRefused = true;
        break;
      case TPsftpQuestions::TEvent::KeyUnusable:
        if (!FLogin.KeyFile.isEmpty())
          GiveUpLogin(QString("psftp could not use the key %1.").arg(FLogin.KeyFile),
                      event.Message);
        break;
    }
  }
}

// With a key chosen, psftp's later questions are about that key: its
// passphrase, or a password because the server refused it. The user meant to
// log in with the key, so a refusal ends the login with a message naming it
// instead of asking for a password they may not have.
void TConnectionDriver::AskPassword(TPasswordRequest Request) {
  FLogin.PasswordAsked = true;
  if (FLogin.KeyFile.isEmpty()) return FView.AskPassword(Request);
  if (Request.Kind == TPasswordRequest::TKind::Password) {
    if (FLogin.KeyRefused)
      return GiveUpLogin(QString("The server refused the key %1.").arg(FLogin.KeyFile),
                         "Server refused our key");
    return FView.AskPassword(Request);
  }
  const QByteArray known = FKeyLogin->TakePassphrase();
  if (!known.isEmpty() && FLogin.WrongPassphrases == 0) {
    Debug("Answered with the passphrase given for the key's conversion");
    return FRedirector.WriteRaw(known + "\n");
  }
  if (FLogin.WrongPassphrases >= TKeyLogin::MostAttempts)
    return GiveUpLogin(QString("Wrong passphrase for the key %1.").arg(FLogin.KeyFile),
                       "Wrong passphrase");
  Request.Prompt = QString("Passphrase for key \"%1\" (%2):").arg(Request.Key, FLogin.KeyFile);
  if (FLogin.WrongPassphrases > 0) Request.Warning = "Wrong passphrase";
  FView.AskPassword(Request);
}

void TConnectionDriver::GiveUpLogin(const QString& Text, const QString& Detail) {
  Debug(Text);
  FView.Inform(Text, Detail);
  FRedirector.Kill();
}

void TConnectionDriver::AnswerHostKey(THostKeyAnswer Answer) {
  // psftp reads one line; on Linux it keeps a CR, so answers end with LF alone.
  // The weak-algorithm question knows only "y" (go on) and anything else (stop).
  QByteArray line;
  if (Answer == THostKeyAnswer::Trust)
    line = "y";
  else if (Answer == THostKeyAnswer::Once)
    line = FPendingQuestion == THostKeyRequest::hkWeakCrypto ? "y" : "n";
  Debug("Host key answer: " + (line.isEmpty() ? QString("(abandon)") : QString(line)));
  FRedirector.WriteRaw(line + "\n");
}

void TConnectionDriver::AnswerPassword(const QByteArray& Password) {
  if (Password.contains('\n') || Password.contains('\r'))
    throw Exception("A password cannot hold a line break");
  if (FState.Stage() == TConnectionState::TStage::Starting) return FKeyLogin->Answer(Password);
  FRedirector.WriteRaw(Password + "\n");
}

void TConnectionDriver::CancelPassword() {
  if (FState.Stage() != TConnectionState::TStage::Starting) return FRedirector.Kill();
  FKeyLogin->Cancel();
  FState.Apply(TConnectionState::TEvent::StartFailed);
  FLogin.PendingPassword.clear();
  SetStatus("Not connected", 0);
}

// Starting psftp with what the user chose, readying a private key first, and
// answering psftp's questions on the way; and ending it.
#include "remote/session/ConnectionLogin.h"

#include <QFile>
#include <QFileInfo>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/CommandLine.h"
#include "process/SecretPipe.h"
#include "process/VirtualRedirector.h"
#include "remote/local/TempFolder.h"
#include "remote/operations/ChangeDirOperation.h"
#include "remote/operations/LoginOperation.h"
#include "remote/session/Conversation.h"
#include "remote/session/DriverView.h"
#include "remote/session/KeyLogin.h"
#include "remote/session/KnownHosts.h"
#include "remote/session/PlainMessages.h"
#include "remote/session/PsftpProgram.h"
#include "remote/session/PsftpQuestions.h"

TConnectionLogin::TConnectionLogin(IConversation& Driver, TVirtualRedirector& Redirector)
    : FDriver(Driver),
      FRedirector(Redirector),
      FQuestions(std::make_unique<TPsftpQuestions>()),
      FKeyLogin(MakeKeyLogin()) {
  FByeTimer.setSingleShot(true);
  FByeTimer.setInterval(3000);
  QObject::connect(&FByeTimer, &QTimer::timeout, [this] {
    if (!FRedirector.Running()) return;
    FDriver.Debug("psftp did not end after \"bye\", so it was ended");
    FRedirector.Kill();
  });
}

TConnectionLogin::~TConnectionLogin() = default;

std::unique_ptr<TKeyLogin> TConnectionLogin::MakeKeyLogin() {
  TKeyLogin::TCallbacks callbacks;
  callbacks.Ready = [this](const QString& PsftpKey) {
    if (FInConnect)
      StartPsftp(PsftpKey);  // a failure goes to Connect's caller
    else
      ErrorReport::Guarded([&] { StartPsftp(PsftpKey); });
  };
  callbacks.Ask = [this](const TPasswordRequest& Request) { FDriver.View().AskPassword(Request); };
  callbacks.Fail = [this](const QString& Text, const QString& Detail) {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    FAttempt.PendingPassword.clear();
    FDriver.SetStatus("Not connected", 0);
    FDriver.View().Inform(Text, Detail);
  };
  callbacks.Log = [this](const QString& Line) { FDriver.Debug(Line); };
  return std::make_unique<TKeyLogin>(std::move(callbacks));
}

// OpenSSH refuses a private key that other users can read, as it may have
// been copied already. psftp uses it all the same, so the user is told
// rather than refused.
void TConnectionLogin::WarnIfKeyShared(const QString& KeyFile) {
  if (KeyFile.isEmpty()) return;
  const QFileInfo key(KeyFile);
  constexpr QFile::Permissions kOthers =
      QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
  if (!key.exists() || !(key.permissions() & kOthers)) return;
  const QString text = QString(
                           "The private key %1 can be read by other users of this computer, "
                           "so it may no longer be secret. OpenSSH refuses such a key; make it "
                           "private with: chmod 600 %1")
                           .arg(KeyFile);
  FDriver.Debug(text);
  FDriver.View().Inform(text, QString());
}

void TConnectionLogin::Connect(const TConnectValues& Values, IPage* Page,
                               IConversation::TListed Listed) {
  // A second start does nothing: the names and the starting directory stay
  // those of the connection under way.
  if (!FState.Apply(TConnectionState::TEvent::Connect)) return;
  FCurrentHostName = Values.HostName;
  FCurrentUserName = Values.UserName;
  FCurrentPort = Values.Port;
  FStartingDir = Values.StartingDir;
  FStartingPage = Page;
  FStartingListed = std::move(Listed);
  FAttempt.PendingPassword = Values.Password;
  FAttempt.KeyFile = Values.PrivateKeyFile;
  FProxyJump = Values.ProxyJump;
  WarnIfKeyShared(Values.PrivateKeyFile);
  FDriver.SetStatus("Connecting...", 0);
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

// psftp reaches the server through the user's own ssh, which logs in to the
// jump hosts as it always does (agent, keys, config) and forwards the
// connection: "ssh -W %host:%port", psftp filling in the server. The last
// hop is given as an ssh:// address, the one form of a destination that
// takes a port; the hops before it go to -J. psftp runs the command through
// the shell, so each word is quoted for it.
QString TConnectionLogin::JumpCommand(const QString& ProxyJump) {
  const auto shellQuoted = [](QString Word) { return "'" + Word.replace("'", R"('\'')") + "'"; };
  QStringList hops = ProxyJump.split(',', Qt::SkipEmptyParts);
  const QString last = hops.isEmpty() ? QString() : hops.takeLast().trimmed();
  QString command = "ssh";
  if (!hops.isEmpty()) command += " -J " + shellQuoted(hops.join(','));
  return command + " -W %host:%port " + shellQuoted("ssh://" + last);
}

void TConnectionLogin::StartPsftp(const QString& PsftpKey) {
  const QByteArray password = FAttempt.PendingPassword;
  FAttempt.PendingPassword.clear();
  FAttempt.ViaAgent = password.isEmpty() && PsftpKey.isEmpty();
  // A start that fails leaves no psftp whose end would clear "Connecting...".
  try {
    // The first word is psftp's argv[0], its own name, as a shell gives it.
    QString parameters = QString("psftp -P %1").arg(FCurrentPort);
    // psftp reads -pwfile once, at its start; a pipe carries the password,
    // so it is never on disk, nor on the command line where every local
    // user could read it in the process list.
    std::unique_ptr<TSecretPipe> passwordPipe;
    if (!password.isEmpty()) {
      passwordPipe = std::make_unique<TSecretPipe>(password);
      parameters += " -pwfile " + passwordPipe->Path();
    }
    if (!PsftpKey.isEmpty()) parameters += " -i " + QuoteCommandLineArgument(PsftpKey);
    if (!FProxyJump.isEmpty())
      parameters += " -proxycmd " + QuoteCommandLineArgument(JumpCommand(FProxyJump));
    parameters += " -l " + QuoteCommandLineArgument(QString::fromLocal8Bit(FCurrentUserName)) +
                  " " + QuoteCommandLineArgument(QString::fromLocal8Bit(FCurrentHostName));
    FRedirector.Run(PsftpProgramFile(), GetTempFolder(), parameters,
                    passwordPipe ? passwordPipe->ReadEnd() : -1);
  } catch (...) {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    FDriver.SetStatus("Not connected", 0);
    throw;
  }
  if (FRedirector.Running()) {
    StartConversation();
  } else {
    FState.Apply(TConnectionState::TEvent::StartFailed);
    FDriver.SetStatus("Not connected", 0);
  }
}

void TConnectionLogin::StartConversation() {
  FState.Apply(TConnectionState::TEvent::PsftpStarted);
  FOpenQuestion = TOpenQuestion::None;
  FQuestions->Reset();
  FAttempt.WrongPassphrases = 0;
  FAttempt.KeyRefused = false;
  FAttempt.PasswordAsked = false;
  FDriver.Restart(IConversation::Bind(std::make_unique<TLoginOperation>(), *this,
                                      &TConnectionLogin::FinishLogin));
}

// psftp reads "bye" only between commands: while one is unanswered, psftp is
// busy with it (or stuck on a stalled server), so it is ended instead.
void TConnectionLogin::Disconnect() {
  if (FState.Stage() == TConnectionState::TStage::Starting) return CancelPassword();
  FState.Apply(TConnectionState::TEvent::Disconnect);
  // "bye" is read once the login is done.
  if (FDriver.ForgetQueued()) {
    FDriver.Debug("Disconnect: a command was still unanswered, so psftp was ended");
    FRedirector.Kill();
    return;
  }
  FDriver.View().Log(IDriverView::TLog::Command, "bye");
  try {
    FRedirector.Write("bye");
  } catch (const Exception& e) {
    FDriver.Debug("psftp did not take the command: " + e.Message());  // it has ended already
  }
  FByeTimer.start();
}

void TConnectionLogin::PsftpEnded() {
  FByeTimer.stop();
  FState.Apply(TConnectionState::TEvent::PsftpEnded);
  ShowConnection();
  FKeyLogin->TakePassphrase();  // forgotten once psftp has gone
}

void TConnectionLogin::SetConnected(bool Value) {
  using TStage = TConnectionState::TStage;
  FState = TConnectionState(Value ? TStage::Connected : TStage::NotConnected);
  ShowConnection();
}

void TConnectionLogin::ShowConnection() {
  const bool connected = FState.Connected();
  FDriver.SetStatus(connected ? "Connected" : "Not connected", 0);
  FDriver.View().ConnectionChanged(connected, QString::fromLocal8Bit(FCurrentHostName));
}

void TConnectionLogin::PageClosing(IPage* Page) {
  if (Page != FStartingPage) return;
  FStartingPage = nullptr;
  FStartingListed = nullptr;
}

void TConnectionLogin::FinishLogin(TLoginOperation& Login) {
  if (!Login.Succeeded()) {
    FDriver.ReportFailure(Login);
    return;
  }
  FState.Apply(TConnectionState::TEvent::LoggedIn);
  ShowConnection();
  // No password, no key and no question, yet logged in: the SSH agent gave
  // its key (psftp says so only with -v, which it does not get). Said, so
  // a user who expected a password question knows why none came.
  if (FAttempt.ViaAgent && !FAttempt.PasswordAsked) FDriver.SetStatus("Connected (SSH agent)", 0);
  FHomeDir = Login.HomeDir();
  FDriver.SetCurrentDir(Login.HomeDir());
  ErrorReport::Guarded(
      [this] { FDriver.EnterDir(FStartingPage, FStartingDir, std::move(FStartingListed)); });
}

void TConnectionLogin::ErrorInput(const QByteArray& NewInput) {
  FDriver.Debug(QString::fromLocal8Bit(NewInput));
  for (const TPsftpQuestions::TEvent& event : FQuestions->Feed(NewInput)) {
    const bool question = event.Kind == TPsftpQuestions::TEvent::HostKey ||
                          event.Kind == TPsftpQuestions::TEvent::Password;
    // psftp asks only before its first prompt; later text that reads like a
    // question is the server's, and an answer would become a command.
    if (question && FState.Stage() != TConnectionState::TStage::LoggingIn) {
      FDriver.Debug("Not asked: psftp asks nothing once its login is over");
      continue;
    }
    switch (event.Kind) {
      case TPsftpQuestions::TEvent::HostKey:
        FPendingQuestion = event.Question.Kind;
        FOpenQuestion = TOpenQuestion::HostKey;
        AskHostKey(event.Question);
        break;
      case TPsftpQuestions::TEvent::Password:
        AskPassword(event.Prompt);
        break;
      case TPsftpQuestions::TEvent::FatalError: {
        const TPlainMessages::TFatalError error =
            TPlainMessages::FatalError(event.Message, QString::fromLocal8Bit(FCurrentHostName),
                                       FCurrentPort, QString::fromLocal8Bit(FCurrentUserName));
        FDriver.Debug("Fatal: " + error.Text);
        FDriver.View().Inform(error.Text, error.Detail);
        break;
      }
      case TPsftpQuestions::TEvent::WrongPassphrase:
        ++FAttempt.WrongPassphrases;
        break;
      case TPsftpQuestions::TEvent::KeyRefused:
        FAttempt.KeyRefused = true;
        break;
      case TPsftpQuestions::TEvent::KeyUnusable:
        if (!FAttempt.KeyFile.isEmpty())
          GiveUpLogin(QString("psftp could not use the key %1.").arg(FAttempt.KeyFile),
                      event.Message);
        break;
    }
  }
}

// With a key chosen, psftp's later questions are about that key: its
// passphrase, or a password because the server refused it. The user meant to
// log in with the key, so a refusal ends the login with a message naming it
// instead of asking for a password they may not have.
void TConnectionLogin::AskPassword(TPasswordRequest Request) {
  FAttempt.PasswordAsked = true;
  FOpenQuestion = TOpenQuestion::Password;
  if (FAttempt.KeyFile.isEmpty()) return FDriver.View().AskPassword(Request);
  if (Request.Kind == TPasswordRequest::TKind::Password) {
    if (FAttempt.KeyRefused)
      return GiveUpLogin(QString("The server refused the key %1.").arg(FAttempt.KeyFile),
                         "Server refused our key");
    return FDriver.View().AskPassword(Request);
  }
  const QByteArray known = FKeyLogin->TakePassphrase();
  if (!known.isEmpty() && FAttempt.WrongPassphrases == 0) {
    FOpenQuestion = TOpenQuestion::None;
    FDriver.Debug("Answered with the passphrase given for the key's conversion");
    return FRedirector.WriteRaw(known + "\n");
  }
  if (FAttempt.WrongPassphrases >= TKeyLogin::MostAttempts)
    return GiveUpLogin(QString("Wrong passphrase for the key %1.").arg(FAttempt.KeyFile),
                       "Wrong passphrase");
  Request.Prompt = QString("Passphrase for key \"%1\" (%2):").arg(Request.Key, FAttempt.KeyFile);
  if (FAttempt.WrongPassphrases > 0) Request.Warning = "Wrong passphrase";
  FDriver.View().AskPassword(Request);
}

// A host psftp has not met may be one the user's OpenSSH trusts already:
// its key is then taken as OpenSSH takes it, and a different key is the
// warning of a changed key, never a plain question.
void TConnectionLogin::AskHostKey(THostKeyRequest Request) {
  if (Request.Kind == THostKeyRequest::hkNewKey) {
    const TKnownHosts::TResult known =
        TKnownHosts::Check(QString::fromLocal8Bit(FCurrentHostName), FCurrentPort, Request.KeyType,
                           Request.Fingerprint);
    if (known.Verdict == TKnownHosts::TVerdict::Matches) {
      FDriver.Debug("Host key matches ~/.ssh/known_hosts");
      return AnswerHostKey(THostKeyAnswer::Trust);
    }
    if (known.Verdict == TKnownHosts::TVerdict::Differs) {
      FDriver.Debug("Host key differs from the one in ~/.ssh/known_hosts: " +
                    known.KnownFingerprint);
      Request.Kind = THostKeyRequest::hkChangedKey;
      Request.KnownFingerprint = known.KnownFingerprint;
    } else if (!known.Why.isEmpty()) {
      FDriver.Debug("Host key not in ~/.ssh/known_hosts: " + known.Why);
    }
  }
  FDriver.View().AskHostKey(Request);
}

void TConnectionLogin::GiveUpLogin(const QString& Text, const QString& Detail) {
  FDriver.Debug(Text);
  FDriver.View().Inform(Text, Detail);
  FRedirector.Kill();
}

void TConnectionLogin::AnswerHostKey(THostKeyAnswer Answer) {
  // psftp reads one line; on Linux it keeps a CR, so answers end with LF alone.
  // The weak-algorithm question knows only "y" (go on) and anything else (stop).
  QByteArray line;
  if (Answer == THostKeyAnswer::Trust)
    line = "y";
  else if (Answer == THostKeyAnswer::Once)
    line = FPendingQuestion == THostKeyRequest::hkWeakCrypto ? "y" : "n";
  if (!TakeOpenQuestion(TOpenQuestion::HostKey)) return;
  FDriver.Debug("Host key answer: " + (line.isEmpty() ? QString("(abandon)") : QString(line)));
  FRedirector.WriteRaw(line + "\n");
}

void TConnectionLogin::AnswerPassword(const QByteArray& Password) {
  if (Password.contains('\n') || Password.contains('\r'))
    throw Exception("A password cannot hold a line break");
  if (FState.Stage() == TConnectionState::TStage::Starting) return FKeyLogin->Answer(Password);
  if (!TakeOpenQuestion(TOpenQuestion::Password)) return;
  FRedirector.WriteRaw(Password + "\n");
}

// psftp reads standard input for both its answers and its commands: an
// answer written when no question of that kind is open would be run as a
// command, or would answer a later question in the user's name.
bool TConnectionLogin::TakeOpenQuestion(TOpenQuestion Kind) {
  if (FOpenQuestion != Kind || FState.Stage() != TConnectionState::TStage::LoggingIn) {
    FDriver.Debug("An answer came when psftp had not asked: it was not passed on");
    return false;
  }
  FOpenQuestion = TOpenQuestion::None;
  return true;
}

void TConnectionLogin::CancelPassword() {
  if (FState.Stage() != TConnectionState::TStage::Starting) return FRedirector.Kill();
  FKeyLogin->Cancel();
  FState.Apply(TConnectionState::TEvent::StartFailed);
  FAttempt.PendingPassword.clear();
  FDriver.SetStatus("Not connected", 0);
}

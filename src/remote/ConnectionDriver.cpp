#include "remote/ConnectionDriver.h"

#include <QFile>
#include <QTemporaryFile>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/CommandLine.h"
#include "process/VirtualRedirector.h"
#include "remote/Page.h"
#include "remote/PsftpCommand.h"
#include "remote/PsftpProgram.h"
#include "remote/PsftpQuestions.h"
#include "remote/TempFolder.h"

namespace {
// psftp prints "psftp> " when it is ready for the next command. With standard
// input on a pipe it does not echo the command, so the next answer follows on
// the same line, right after the prompt.
const QByteArray kPrompt = "psftp>";
// "Remote working directory is /home/user" ends the login.
const QString kLoginMarker = "working directory is";
// psftp's answer to a successful "cd".
const QString kChangedDirectory = "Remote directory is now ";
}  // namespace

TConnectionDriver::TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector)
    : FView(View), FRedirector(Redirector), FQuestions(std::make_unique<TPsftpQuestions>()) {
  Regex.SetOptions(preMultiLine);
  FRedirector.OnInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorInput(sender, input);
  };
  FRedirector.OnErrorInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorErrorInput(sender, input);
  };
  FRedirector.OnChildProcessEnd = [this](QObject* sender) {
    VirtualRedirectorChildProcessEnd(sender);
  };
  SetConnected(false);
}

TConnectionDriver::~TConnectionDriver() {
  FRedirector.OnInput = nullptr;
  FRedirector.OnErrorInput = nullptr;
  FRedirector.OnChildProcessEnd = nullptr;
  DeletePasswordFile();
}

// ---------------------------------------------------------------- connecting

void TConnectionDriver::ConnectActionExecute() {
  if (FConnected) {
    Disconnect();
    return;
  }
  if (!FView.ShowConnectDialog()) return;
  SetStatus("Connecting...", 0);
  const TConnectValues values = FView.ConnectDialogValues();
  ConnectToHost(values.HostName, values.UserName, values.Password, values.Port,
                values.StartingDir);
}

void TConnectionDriver::ConnectToHost(const QByteArray& HostName, const QByteArray& UserName,
                                      const QByteArray& Password, int Port,
                                      const QByteArray& /*InitialDir*/) {
  FCurrentHostName = HostName;
  FCurrentUserName = UserName;
  if (FRedirector.Running()) return;  // a second start while psftp runs does nothing

  // The password goes into a private file rather than onto the command line,
  // where every local user could read it in the process list.
  QString parameters = QString("-v -P %1").arg(Port);
  if (!Password.isEmpty()) {
    QTemporaryFile file(GetTempFolder() + "pw-XXXXXX");
    file.setAutoRemove(false);
    if (!file.open() || file.write(Password) != Password.size() || !file.flush())
      throw Exception("Unable to write the password file in " + GetTempFolder());
    FPasswordFile = file.fileName();
    parameters += " -pwfile " + QuoteCommandLineArgument(FPasswordFile);
  }
  parameters += " -l " + QuoteCommandLineArgument(QString::fromLocal8Bit(UserName)) + " " +
                QuoteCommandLineArgument(QString::fromLocal8Bit(HostName));
  try {
    FRedirector.Run(PsftpProgramFile(), GetTempFolder(), parameters);
  } catch (...) {
    DeletePasswordFile();
    throw;
  }
  if (FRedirector.Running())
    StartConversation();
  else
    DeletePasswordFile();
}

void TConnectionDriver::StartConversation() {
  ResetResponseState();
  FQuestions->Reset();
  FLoginSeen = false;
  FResponses.push_back({TAwaited::Login, nullptr});
}

void TConnectionDriver::Disconnect() { Cmd("bye"); }

void TConnectionDriver::DeletePasswordFile() {
  if (FPasswordFile.isEmpty()) return;
  QFile::remove(FPasswordFile);
  FPasswordFile.clear();
}

// ---------------------------------------------------------------- commands

TConnectionDriver::TAwaited TConnectionDriver::AwaitedFor(const QByteArray& Verb) {
  if (Verb == "cd") return TAwaited::Cd;
  if (Verb == "ls") return TAwaited::Ls;
  if (Verb == "get") return TAwaited::Get;
  if (Verb == "put") return TAwaited::Put;
  return TAwaited::Other;
}

void TConnectionDriver::Cmd(const QByteArray& Verb, const QByteArrayList& Args) {
  WriteCommand(TPsftpCommand::Build(Verb, Args), AwaitedFor(Verb));
}

void TConnectionDriver::WriteCommand(const QByteArray& Command, TAwaited Awaited) {
  FView.DebugAppendText(QString::fromLocal8Bit(Command) + "\r\n");
  SetDataPending(true);
  // "bye" gets no prompt back: the child just ends.
  if (FRedirector.Running() && Awaited != TAwaited::Other)
    FResponses.push_back({Awaited, FPendingPage});
  FRedirector.Write(Command);
}

// ---------------------------------------------------------------- reading

void TConnectionDriver::VirtualRedirectorInput(QObject*, const QByteArray& NewInput) {
  Debug(QString::fromLocal8Bit(NewInput));
  DataString += NewInput;
  UnfinishedData = true;
  while (!DataString.isEmpty()) {
    if (FSkipPromptBlank) {
      FSkipPromptBlank = false;
      if (DataString.startsWith(' ')) DataString.remove(0, 1);
      continue;
    }
    if (DataString.startsWith(kPrompt)) {
      DataString.remove(0, kPrompt.size());
      FSkipPromptBlank = true;
      ErrorReport::Guarded([this] { HandlePrompt(); });
      continue;
    }
    // A piece may end inside the prompt: wait for the rest before deciding.
    if (kPrompt.startsWith(DataString)) break;
    const int end = LineEnd(DataString);
    if (end < 0) break;
    const QByteArray line = DataString.left(end);
    DataString.remove(0, end + (DataString.mid(end, 2) == "\r\n" ? 2 : 1));
    const QString text = QString::fromLocal8Bit(line);
    ErrorReport::Guarded([this, &text] { HandleLine(text); });
  }
}

// Index of the first complete line end; -1 when the text has none yet. A CR
// that ends the buffer may be the first half of CR LF, so it waits.
int TConnectionDriver::LineEnd(const QByteArray& Text) {
  for (int i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\n') return i;
    if (Text[i] == '\r') return i + 1 < Text.size() ? i : -1;
  }
  return -1;
}

TConnectionDriver::TResponse* TConnectionDriver::OpenResponse() {
  return FResponses.empty() ? nullptr : &FResponses.front();
}

void TConnectionDriver::MarkSucceeded() {
  if (TResponse* response = OpenResponse()) response->Succeeded = true;
}

void TConnectionDriver::HandleLine(const QString& Line) {
  FResponseLines.append(Line);
  if (!FLoginSeen && Line.contains(kLoginMarker)) {
    HandleLogin();
    return;
  }
  if (FIgnoreRestOfResponse) return;
  if (Line.startsWith(kChangedDirectory)) {
    MarkSucceeded();
    SetCurrentDir(Line.mid(kChangedDirectory.size()));
    FResponseLines.clear();
    Cmd("ls");
    return;
  }
  if (MatchDownload(Line)) {
    MarkSucceeded();
    OnFileDownload(Line);
    return;
  }
  if (MatchUpload(Line)) {
    MarkSucceeded();
    OnFileUpload(Line);
    return;
  }
  if (Line.startsWith("Listing directory ")) {
    MarkSucceeded();
    FDataKind = dkLs;
  }
  // psftp names the directory first and only then finds it cannot read it:
  // "Listing directory /x" is followed by "Unable to open /x: permission denied".
  if (Line.startsWith("Unable to open ")) {
    if (TResponse* response = OpenResponse()) response->Failed = true;
  }
}

// Login: once per child, since a later line (a file name in a listing, say)
// may contain the same words.
void TConnectionDriver::HandleLogin() {
  FLoginSeen = true;
  FIgnoreRestOfResponse = true;
  DeletePasswordFile();
  SetConnected(true);
  const QByteArray startingDir = FView.ConnectDialogValues().StartingDir;
  if (startingDir.isEmpty())
    WriteCommand("cd ", TAwaited::Cd);  // psftp changes to the home directory
  else
    Cmd("cd", {startingDir});
  FResponseLines.clear();
}

void TConnectionDriver::HandlePrompt() {
  FData = FResponseLines;
  FResponseLines.clear();
  UnfinishedData = false;
  FIgnoreRestOfResponse = false;
  std::optional<TResponse> response;
  if (!FResponses.empty()) {
    response = FResponses.front();
    FResponses.pop_front();
  }
  if (response && (!response->Succeeded || response->Failed) &&
      response->Awaited != TAwaited::Login && response->Awaited != TAwaited::Other)
    ReportRefusal();
  else if (FDataKind == dkLs)
    OnListDirectory();
}

// psftp answers a command it cannot carry out with one line ("Directory /x:
// no such file or directory", "/x: open for read: permission denied") and its
// prompt. Nothing else would end the wait, so end it here.
void TConnectionDriver::ReportRefusal() {
  QString reason;
  for (auto it = FData.crbegin(); it != FData.crend() && reason.isEmpty(); ++it)
    reason = it->trimmed();
  SetDownloading(false);
  SetDataPending(false);
  if (!reason.isEmpty()) SetStatus(reason, 0);
  Debug("Refused: " + reason);
}

bool TConnectionDriver::MatchDownload(const QString& Line) {
  Regex.SetRegEx(kDownloadPattern);
  Regex.SetSubject(Line);
  return Regex.Match();
}

bool TConnectionDriver::MatchUpload(const QString& Line) {
  Regex.SetRegEx(kUploadPattern);
  Regex.SetSubject(Line);
  return Regex.Match();
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
        FView.AskPassword(event.Prompt);
        break;
      case TPsftpQuestions::TEvent::FatalError:
        FView.ShowError(event.Message);
        break;
    }
  }
}

void TConnectionDriver::VirtualRedirectorChildProcessEnd(QObject*) {
  SetConnected(false);
  ResetResponseState();
  DeletePasswordFile();
}

void TConnectionDriver::ResetResponseState() {
  SetDownloading(false);
  SetDataPending(false);
  DataString.clear();
  UnfinishedData = false;
  FSkipPromptBlank = false;
  FIgnoreRestOfResponse = false;
  FResponseLines.clear();
  FResponses.clear();
}

// ---------------------------------------------------------------- answers

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
  FRedirector.WriteRaw(Password + "\n");
}

void TConnectionDriver::CancelPassword() { FRedirector.Kill(); }

// ---------------------------------------------------------------- state

void TConnectionDriver::Debug(const QString& S) { FView.DebugAddLine(S); }

void TConnectionDriver::SetStatus(const QString& S, int Index) { FView.SetStatus(S, Index); }

QString TConnectionDriver::GetTempFolder() const { return ::GetTempFolder(); }

void TConnectionDriver::SetConnected(bool Value) {
  FConnected = Value;
  if (Value) {
    SetStatus("Connected", 0);
    FView.SetConnectAction("Disconnect", 12);
    OnConnect();
  } else {
    SetStatus("Not connected", 0);
    FView.SetConnectAction("Connect to Server...", 0);
    OnDisconnect();
  }
}

void TConnectionDriver::OnConnect() {
  FView.SetCaption(QString("Quillery - %1").arg(QString::fromLocal8Bit(FCurrentHostName)));
  FView.SetNewOpenEnabled(true);
  for (int i = 0; i < FView.PageCount(); ++i) FView.Pages(i)->SetFrameConnected(true);
}

void TConnectionDriver::OnDisconnect() {
  FView.SetNewOpenEnabled(false);
  for (int i = 0; i < FView.PageCount(); ++i) FView.Pages(i)->SetFrameConnected(false);
}

void TConnectionDriver::SetCurrentDir(const QString& Value) {
  FCurrentDir = Value;
  SetStatus(Value, 1);
}

void TConnectionDriver::SetDataPending(bool Value) {
  FDataPending = Value;
  if (Value) {
    FPendingPage = FView.ActivePage();
  } else {
    FPendingPage = nullptr;
    FDataKind = dkNone;
  }
}

void TConnectionDriver::SetDownloading(bool Value) {
  FDownloading = Value;
  FView.SetBusyCursor(Value);
}

IPage* TConnectionDriver::PendingPage() const {
  if (!FPendingPage) throw Exception("PendingPage = nil");
  return FPendingPage;
}

void TConnectionDriver::PageClosing(IPage* Page) {
  if (Page == FPendingPage) FPendingPage = nullptr;
  for (TResponse& response : FResponses) {
    if (response.Page != Page) continue;
    response.Page = nullptr;
    response.PageClosed = true;
  }
}

bool TConnectionDriver::UploadPending() const {
  for (const TResponse& response : FResponses)
    if (response.Awaited == TAwaited::Put && !response.Succeeded) return true;
  return false;
}

// The page a result belongs to: the one active when its command was written.
// Null when that page's tab has been closed meanwhile: the result is dropped.
// Output nobody asked for goes to the pending page, if there is one.
IPage* TConnectionDriver::ResultPage(const QString& What) {
  if (const TResponse* response = OpenResponse()) {
    if (response->PageClosed) {
      Debug(What + " dropped: its tab was closed");
      SetDownloading(false);
      return nullptr;
    }
    if (response->Page) return response->Page;
  }
  return PendingPage();
}

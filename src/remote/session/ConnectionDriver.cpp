#include "remote/session/ConnectionDriver.h"

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/operations/PsftpOperation.h"
#include "remote/session/PlainMessages.h"

TConnectionDriver::TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector)
    : FView(View), FRedirector(Redirector) {
  FRedirector.OnInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorInput(sender, input);
  };
  FRedirector.OnErrorInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorErrorInput(sender, input);
  };
  FRedirector.OnChildProcessEnd = [this](QObject* sender) {
    VirtualRedirectorChildProcessEnd(sender);
  };
  FLogin.ShowConnection();
}

TConnectionDriver::~TConnectionDriver() {
  FRedirector.OnInput = nullptr;
  FRedirector.OnErrorInput = nullptr;
  FRedirector.OnChildProcessEnd = nullptr;
}

// ---------------------------------------------------------------- conversation

// Commands go out one at a time, each followed by the command that closes
// its answer (see TAnswerEnd): psftp prints nothing more until it is given
// the next command, so every line belongs to the one command whose answer is
// open.
void TConnectionDriver::Start(TOperationPtr Operation) {
  FQueue.push_back(std::move(Operation));
  WriteNext();
}

// A new psftp prints its login before any command is written.
void TConnectionDriver::Restart(TOperationPtr Login) {
  ResetConversation();
  FOpen = std::move(Login);
}

// The login is psftp's start, no command: nothing written waits for it.
bool TConnectionDriver::ForgetQueued() {
  FQueue.clear();
  return FOpen && !FOpen->Command().isEmpty();
}

void TConnectionDriver::WriteNext() {
  if (FOpen || FQueue.empty()) return;
  if (!FRedirector.Running()) {
    // Nothing will answer: end the waits now instead of leaving them open.
    while (!FQueue.empty()) {
      TOperationPtr dropped = std::move(FQueue.front());
      FQueue.pop_front();
      SetDownloading(false);
      SetStatus("Not connected", 0);
    }
    return;
  }
  FOpen = std::move(FQueue.front());
  FQueue.pop_front();
  const QByteArray command = FOpen->Command();
  const QByteArray closing = FAnswerEnd.Next();
  FView.Log(IDriverView::TLog::Command, QString::fromLocal8Bit(command));
  FView.Log(IDriverView::TLog::Command, QString::fromLocal8Bit(closing));
  try {
    FRedirector.Write(command);
    FRedirector.Write(closing);
  } catch (const Exception& e) {
    // psftp has ended and its end is on its way; that resets the conversation.
    Debug("psftp did not take the command: " + e.Message());
  }
  FMessage.CommandStarted(FOpen->IsCheck() ? "Checking..." : QString());
}

void TConnectionDriver::VirtualRedirectorInput(QObject*, const QByteArray& NewInput) {
  LogPiece(NewInput);
  for (const TPsftpOutputReader::TEvent& event : FReader.Feed(NewInput)) {
    if (event.Kind == TPsftpOutputReader::TEvent::Line)
      ErrorReport::Guarded([this, &event] { HandleLine(event.Text); });
    else if (!FAnswerEnd.Pending())
      ErrorReport::Guarded([this] { HandleEnd(); });
  }
}

// The debug log shows what psftp printed, but not all of a listing of tens
// of thousands of entries: megabytes of text would make the log window slow
// and large, and tell nobody more than its start does.
void TConnectionDriver::LogPiece(const QByteArray& Piece) {
  constexpr qint64 kMostLoggedOfAnAnswer = 64 * 1024;
  if (FAnswerLogged >= kMostLoggedOfAnAnswer) {
    FAnswerNotLogged += Piece.size();
    return;
  }
  FAnswerLogged += Piece.size();
  Debug(QString::fromLocal8Bit(Piece));
}

// Only the login, which no command begins, ends at psftp's prompt: its first
// prompt comes before anything is written. Every other answer ends at its
// closing line, and a prompt inside it is the server's text or psftp's
// prompt before the closing command, which is read as it comes.
void TConnectionDriver::HandleLine(const QString& Line) {
  QString before;
  if (FAnswerEnd.Ends(Line, before)) {
    FAnswerEnd.Forget();
    if (!before.isEmpty()) HandleLine(before);
    return HandleEnd();
  }
  if (FOpen)
    FOpen->Line(Line);
  else if (!Line.trimmed().isEmpty())
    Debug("Ignored, no command was waiting for it: " + Line);
}

void TConnectionDriver::HandleEnd() {
  if (FAnswerNotLogged > 0)
    Debug(QString("(%1 more bytes of this answer are not shown here)").arg(FAnswerNotLogged));
  FAnswerLogged = FAnswerNotLogged = 0;
  if (!FOpen) return;
  FMessage.CommandEnded();
  TOperationPtr finished = std::move(FOpen);
  try {
    finished->Finish();
  } catch (...) {
    WriteNext();
    throw;
  }
  WriteNext();
}

// psftp answers a command it cannot carry out with a line of its own ("/x:
// open for read: permission denied", "error while writing: failure") and its
// prompt. The panel shows the cause first, where even a narrow panel shows
// it; psftp's whole line stays in the panel's tooltip and in the log.
void TConnectionDriver::ReportFailure(const TPsftpOperation& Operation) {
  SetDownloading(false);
  const QString reason = Operation.Error();
  if (!reason.isEmpty()) SetStatus(TPlainMessages::Refusal(reason), 0, reason);
  Debug("Refused: " + reason);
}

// Output that the redirector delivers after the end belongs to no command any
// more: the conversation is reset here, so such lines are dropped.
void TConnectionDriver::VirtualRedirectorChildProcessEnd(QObject*) {
  FLogin.PsftpEnded();
  ResetConversation();
}

void TConnectionDriver::ResetConversation() {
  FMessage.CommandEnded();
  FAnswerLogged = FAnswerNotLogged = 0;
  SetDownloading(false);
  FReader.Reset();
  FAnswerEnd.Forget();
  // What each dropped operation meant to its asker is told only after the
  // conversation is clear, so a listener that starts work finds it empty.
  TOperationPtr open = std::move(FOpen);
  std::deque<TOperationPtr> queued = std::move(FQueue);
  FOpen.reset();
  FQueue.clear();
  if (open) open->Drop();
  for (const TOperationPtr& operation : queued) operation->Drop();
}

// ---------------------------------------------------------------- state

void TConnectionDriver::Debug(const QString& S) { FView.Log(IDriverView::TLog::Line, S); }

void TConnectionDriver::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index == 0)
    FMessage.Set(S, ToolTip);
  else
    FView.FolderChanged(S);
}

void TConnectionDriver::SetCurrentDir(const QString& Value) {
  FCurrentDir = Value;
  SetStatus(Value, 1);
}

void TConnectionDriver::SetDownloading(bool Value) {
  FDownloading = Value;
  FView.BusyChanged(Value);
}

void TConnectionDriver::PageClosing(IPage* Page) {
  FLogin.PageClosing(Page);
  FSaveCheck.PageClosing(Page);
  FSender.PageClosing(Page);
  if (FOpen) FOpen->PageClosing(Page);
  for (TOperationPtr& operation : FQueue) operation->PageClosing(Page);
}

bool TConnectionDriver::AnyOperation(
    const std::function<bool(const TPsftpOperation&)>& Test) const {
  if (FOpen && Test(*FOpen)) return true;
  for (const TOperationPtr& operation : FQueue)
    if (Test(*operation)) return true;
  return false;
}

bool TConnectionDriver::UploadPending() const {
  return FSaveCheck.Waiting() || FSender.WritingAny() ||
         AnyOperation([](const TPsftpOperation& Operation) { return Operation.CountsAsUpload(); });
}

QStringList TConnectionDriver::UploadNames(bool InPlaceOnly) const {
  QStringList names;
  AnyOperation([&names, InPlaceOnly](const TPsftpOperation& Operation) {
    if (!Operation.Writes().isEmpty() && (!InPlaceOnly || Operation.WritesInPlace()))
      names << Operation.Writes();
    return false;
  });
  return names;
}

// psftp cannot be told to stop a transfer: only its end stops it.
void TConnectionDriver::Abort() {
  if (!FRedirector.Running()) return;
  Debug("psftp was ended to stop what it was doing");
  FRedirector.Kill();
}

bool TConnectionDriver::PsftpRunning() const { return FRedirector.Running(); }

ITransferListener& TConnectionDriver::Listener() {
  return FListener ? *FListener : ITransferListener::Nobody();
}

bool TConnectionDriver::Busy() const { return FOpen || !FQueue.empty() || FSaveCheck.Waiting(); }

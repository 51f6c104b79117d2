#include "remote/session/ConnectionDriver.h"

#include <QFile>
#include <QFileInfo>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/operations/ChangeDirOperation.h"
#include "remote/operations/CompareOperation.h"
#include "remote/operations/GetOperation.h"
#include "remote/operations/ListOperation.h"
#include "remote/operations/LoginOperation.h"
#include "remote/operations/PutOperation.h"
#include "remote/operations/StatOperation.h"
#include "remote/session/KeyLogin.h"
#include "remote/session/PlainMessages.h"
#include "remote/session/PsftpQuestions.h"

TConnectionDriver::TConnectionDriver(IDriverView& View, TVirtualRedirector& Redirector)
    : FView(View),
      FRedirector(Redirector),
      FQuestions(std::make_unique<TPsftpQuestions>()),
      FKeyLogin(MakeKeyLogin()) {
  FRedirector.OnInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorInput(sender, input);
  };
  FRedirector.OnErrorInput = [this](QObject* sender, const QByteArray& input) {
    VirtualRedirectorErrorInput(sender, input);
  };
  FRedirector.OnChildProcessEnd = [this](QObject* sender) {
    VirtualRedirectorChildProcessEnd(sender);
  };
  FProgressTimer.setInterval(300);
  QObject::connect(&FProgressTimer, &QTimer::timeout, [this] { ShowProgress(); });
  FByeTimer.setSingleShot(true);
  FByeTimer.setInterval(3000);
  QObject::connect(&FByeTimer, &QTimer::timeout, [this] {
    if (!FRedirector.Running()) return;
    Debug("psftp did not end after \"bye\", so it was ended");
    FRedirector.Kill();
  });
  SetConnected(false);
}

TConnectionDriver::~TConnectionDriver() {
  FRedirector.OnInput = nullptr;
  FRedirector.OnErrorInput = nullptr;
  FRedirector.OnChildProcessEnd = nullptr;
  DeletePasswordFile();
}

// ---------------------------------------------------------------- conversation

// Commands go out one at a time: psftp then prints nothing after a prompt
// until it is given the next command, so every line belongs to the one
// command whose answer is open.
void TConnectionDriver::Start(TOperationPtr Operation) {
  FQueue.push_back(std::move(Operation));
  WriteNext();
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
  FView.Log(IDriverView::TLog::Command, QString::fromLocal8Bit(command));
  try {
    FRedirector.Write(command);
  } catch (const Exception& e) {
    // psftp has ended and its end is on its way; that resets the conversation.
    Debug("psftp did not take the command: " + e.Message());
  }
  if (FOpen->Kind() == TPsftpOperation::TKind::Get || FOpen->Kind() == TPsftpOperation::TKind::List)
    FProgressTimer.start();
  if (FOpen->Kind() == TPsftpOperation::TKind::Stat ||
      FOpen->Kind() == TPsftpOperation::TKind::Compare) {
    FView.MessageChanged("Checking...", QString());
    FProgressShown = true;
  }
}

// psftp tells nothing of a transfer until it has finished, but it writes the
// local file as the bytes come: its size against the size the listing gave
// is the progress. A listing's progress is the lines read so far.
void TConnectionDriver::ShowProgress() {
  QString text;
  if (FOpen && FOpen->Kind() == TPsftpOperation::TKind::Get) {
    const auto& get = static_cast<const TGetOperation&>(*FOpen);
    const qint64 done = QFileInfo(get.LocalPath()).size();
    if (get.ExpectedSize() > 0)
      text = QString("Downloading... %1%").arg(qMin<qint64>(99, done * 100 / get.ExpectedSize()));
    else
      text = QString("Downloading... %1 KB").arg(done / 1024);
  } else if (FOpen && FOpen->Kind() == TPsftpOperation::TKind::List) {
    const int lines = static_cast<const TListOperation&>(*FOpen).LineCount();
    if (lines > 0) text = QString("Listing... %1 entries").arg(lines);
  }
  if (text.isEmpty()) return;
  FView.MessageChanged(text, QString());
  FProgressShown = true;
}

void TConnectionDriver::EndProgress() {
  FProgressTimer.stop();
  if (!FProgressShown) return;
  FProgressShown = false;
  FView.MessageChanged(FStatus0, FStatus0ToolTip);
}

void TConnectionDriver::VirtualRedirectorInput(QObject*, const QByteArray& NewInput) {
  LogPiece(NewInput);
  for (const TPsftpOutputReader::TEvent& event : FReader.Feed(NewInput)) {
    if (event.Kind == TPsftpOutputReader::TEvent::Prompt)
      ErrorReport::Guarded([this] { HandlePrompt(); });
    else
      ErrorReport::Guarded([this, &event] { HandleLine(event.Text); });
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

void TConnectionDriver::HandleLine(const QString& Line) {
  if (FOpen)
    FOpen->Line(Line);
  else if (!Line.trimmed().isEmpty())
    Debug("Ignored, no command was waiting for it: " + Line);
}

void TConnectionDriver::HandlePrompt() {
  if (FAnswerNotLogged > 0)
    Debug(QString("(%1 more bytes of this answer are not shown here)").arg(FAnswerNotLogged));
  FAnswerLogged = FAnswerNotLogged = 0;
  if (!FOpen) return;
  EndProgress();
  TOperationPtr finished = std::move(FOpen);
  try {
    Finish(*finished);
  } catch (...) {
    WriteNext();
    throw;
  }
  WriteNext();
}

void TConnectionDriver::Finish(TPsftpOperation& Operation) {
  using TKind = TPsftpOperation::TKind;
  switch (Operation.Kind()) {
    case TKind::Login:
      return FinishLogin(static_cast<const TLoginOperation&>(Operation));
    case TKind::ChangeDir:
      return FinishChangeDir(static_cast<const TChangeDirOperation&>(Operation));
    case TKind::List:
      return FinishList(static_cast<TListOperation&>(Operation));
    case TKind::Get:
      return FinishGet(static_cast<const TGetOperation&>(Operation));
    case TKind::Put:
      return FinishPut(static_cast<const TPutOperation&>(Operation));
    case TKind::Stat:
      return FinishStat(static_cast<TStatOperation&>(Operation));
    case TKind::Compare:
      return FinishCompare(static_cast<TCompareOperation&>(Operation));
  }
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
  FByeTimer.stop();
  SetConnected(false);
  ResetConversation();
  DeletePasswordFile();
  FKeyLogin->TakePassphrase();  // forgotten once psftp has gone
}

void TConnectionDriver::ResetConversation() {
  EndProgress();
  FAnswerLogged = FAnswerNotLogged = 0;
  SetDownloading(false);
  FReader.Reset();
  if (FOpen && (FOpen->Kind() == TPsftpOperation::TKind::Get ||
                FOpen->Kind() == TPsftpOperation::TKind::Compare))
    QFile::remove(static_cast<const TGetOperation&>(*FOpen).LocalPath());
  FOpen.reset();
  FQueue.clear();
}

// ---------------------------------------------------------------- state

void TConnectionDriver::Debug(const QString& S) { FView.Log(IDriverView::TLog::Line, S); }

void TConnectionDriver::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index == 0) {
    FStatus0 = S;
    FStatus0ToolTip = ToolTip;
    FProgressShown = false;
  }
  if (Index == 0)
    FView.MessageChanged(S, ToolTip);
  else
    FView.FolderChanged(S);
}

void TConnectionDriver::SetConnected(bool Value) {
  FConnected = Value;
  SetStatus(Value ? "Connected" : "Not connected", 0);
  FView.ConnectionChanged(Value, QString::fromLocal8Bit(FCurrentHostName));
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
  if (Page == FStartingPage) FStartingPage = nullptr;
  if (FOpen) FOpen->PageClosing(Page);
  for (TOperationPtr& operation : FQueue) operation->PageClosing(Page);
}

// A check goes before a save's upload, so it counts as part of it.
bool TConnectionDriver::UploadPending() const {
  const auto uploads = [](const TOperationPtr& Operation) {
    const TPsftpOperation::TKind kind = Operation->Kind();
    return kind == TPsftpOperation::TKind::Put || kind == TPsftpOperation::TKind::Stat ||
           kind == TPsftpOperation::TKind::Compare;
  };
  if (FOpen && uploads(FOpen)) return true;
  for (const TOperationPtr& operation : FQueue)
    if (uploads(operation)) return true;
  return false;
}

bool TConnectionDriver::PsftpRunning() const { return FRedirector.Running(); }

// Reports for a page with no listener go nowhere: the page's text is then
// nobody's to update.
ITransferListener& TConnectionDriver::Listener() {
  static struct TNobody : ITransferListener {
    void FileDownloaded(IPage*, const QString&, const QByteArray&) override {}
    void FileUploaded(IPage*) override {}
    void RemoteChecked(IPage*, const TRemoteCheck&) override {}
  } nobody;
  return FListener ? *FListener : nobody;
}

bool TConnectionDriver::Busy() const { return FOpen || !FQueue.empty(); }

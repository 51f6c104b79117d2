#include "process/VirtualRedirector.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <system_error>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/ChildProcess.h"
#include "process/PipeIo.h"
#include "process/PipeThread.h"
#include "process/ProcessTerminateThread.h"
#include "process/RedirectorEvent.h"
#include "process/RedirectorHelper.h"

namespace {

void CloseAll(int Fds[3]) {
  for (int I = 0; I < 3; ++I) PipeIo::Close(Fds[I]);
}

// Output is handed on as a zero-terminated text: a zero byte ends the piece.
QByteArray UpToZero(const QByteArray& Bytes) {
  const qsizetype Zero = Bytes.indexOf('\0');
  return Zero < 0 ? Bytes : Bytes.left(Zero);
}

}  // namespace

TVirtualRedirector::TVirtualRedirector(QObject* AOwner) : QObject(AOwner) {
  ChildProcess::IgnoreBrokenPipes();
  FHelper = std::make_unique<TRedirectorHelper>(
      [this](const TRedirectorEvent& Event) { HandleEvent(Event); });
}

TVirtualRedirector::~TVirtualRedirector() {
  if (FRunning) {
    Kill();
    AbandonRun();
    FRunning = false;
  }
  // Drops the notifications still queued, the end among them: destruction
  // never raises OnChildProcessEnd.
  FHelper.reset();
}

bool TVirtualRedirector::Run(const QString& FileName, const QString& InitialDirectory,
                             const QString& Parameters, int InheritedFd) {
  if (FRunning) return false;
  if (!QFileInfo::exists(FileName))
    throw Exception(QStringLiteral("Unable to locate the application: ") + FileName);
  ChildProcess::TStartInfo Info =
      ChildProcess::MakeStartInfo(FileName, InitialDirectory, Parameters);
  Info.InheritedFd = InheritedFd;
  int ChildEnds[3] = {-1, -1, -1};
  try {
    CreatePipes(ChildEnds);
    FChildPid = ChildProcess::Start(Info, ChildEnds);
    CloseAll(ChildEnds);
    StartThreads();
  } catch (...) {
    CloseAll(ChildEnds);
    ChildProcess::Kill(FChildPid);
    AbandonRun();
    throw;
  }
  FRunning = true;
  return true;
}

void TVirtualRedirector::Write(const QByteArray& Command) {
  WriteToPipe(Command + QByteArrayLiteral("\r\n"));
}

void TVirtualRedirector::WriteRaw(const QByteArray& Bytes) { WriteToPipe(Bytes); }

void TVirtualRedirector::Kill() {
  if (FRunning && FChildPid != 0) ChildProcess::Kill(FChildPid);
}

bool TVirtualRedirector::Running() const { return FRunning; }

qint64 TVirtualRedirector::ChildProcessID() const { return FChildPid; }

void TVirtualRedirector::DoErrorInput(const QByteArray& NewInput) {
  if (OnErrorInput) OnErrorInput(this, NewInput);
}

void TVirtualRedirector::DoInput(const QByteArray& NewInput) {
  if (OnInput) OnInput(this, NewInput);
}

void TVirtualRedirector::DoChildProcessEnd() {
  if (OnChildProcessEnd) OnChildProcessEnd(this);
}

void TVirtualRedirector::HandleEvent(const TRedirectorEvent& Event) {
  switch (Event.Kind()) {
    case TRedirectorEvent::ChildInput:
      ErrorReport::Guarded([&] { DoInput(UpToZero(Event.Bytes())); });
      if (FPipeThread) FPipeThread->Taken(Event);
      break;
    case TRedirectorEvent::ChildErrorInput:
      ErrorReport::Guarded([&] { DoErrorInput(UpToZero(Event.Bytes())); });
      if (FPipeThread) FPipeThread->Taken(Event);
      break;
    case TRedirectorEvent::ChildProcessEnd:
      ChildProcessEnded();
      break;
  }
}

// The end is posted by the watcher, and the reader's last look at the pipes
// happens only in AbandonRun: what it finds, and what it read once the end
// was posted, waits behind the end. It is handed on before the end, so that
// the end comes after the run's last output, and so that a run started from
// the end's handler (a new connection) never gets the old run's last lines.
void TVirtualRedirector::ChildProcessEnded() {
  if (!FRunning) return;
  AbandonRun();
  FRunning = false;
  QCoreApplication::sendPostedEvents(FHelper.get(), TRedirectorEvent::EventType());
  ErrorReport::Guarded([this] { DoChildProcessEnd(); });
}

void TVirtualRedirector::CreatePipes(int ChildEnds[3]) {
  bool Created = PipeIo::CreatePipe(ChildEnds[0], FPipeOut) &&
                 PipeIo::CreatePipe(FPipeIn, ChildEnds[1]) &&
                 PipeIo::CreatePipe(FPipeErrorIn, ChildEnds[2]);
  for (int I = 0; I < 3 && Created; ++I) Created = PipeIo::MoveAbove2(ChildEnds[I]);
  // The reader must never block on a pipe: it is stopped from this thread.
  Created = Created && PipeIo::SetNonBlocking(FPipeIn) && PipeIo::SetNonBlocking(FPipeErrorIn);
  if (!Created) throw Exception(QStringLiteral("Unable to Create Pipe"));
}

void TVirtualRedirector::StartThreads() {
  try {
    FPipeThread = std::make_unique<TPipeThread>(FHelper.get(), FPipeIn, FPipeErrorIn);
    FPipeThread->Resume();
    FProcessTerminateThread =
        std::make_unique<TProcessTerminateThread>(FHelper.get(), pid_t(FChildPid));
    FProcessTerminateThread->Resume();
  } catch (const std::system_error&) {
    throw Exception(QStringLiteral("Unable to Create Process"));
  }
}

void TVirtualRedirector::StopThreads() {
  if (FPipeThread) {
    FPipeThread->Terminate();
    FPipeThread->WaitFor();
    FPipeThread.reset();
  }
  if (FProcessTerminateThread) {
    FProcessTerminateThread->TriggerEvent();
    FProcessTerminateThread->WaitFor();
    FProcessTerminateThread.reset();
  }
}

void TVirtualRedirector::ClosePipes() {
  PipeIo::Close(FPipeIn);
  PipeIo::Close(FPipeErrorIn);
  PipeIo::Close(FPipeOut);
}

// Stops the workers, collects the child and releases the pipes, in that
// order: the reader uses the pipes until it has ended. A child that still
// runs here (the watcher could not wait for it) is ended first.
void TVirtualRedirector::AbandonRun() {
  StopThreads();
  if (FChildPid != 0) {
    if (!ChildProcess::HasEnded(FChildPid)) ChildProcess::Kill(FChildPid);
    ChildProcess::Reap(FChildPid);
  }
  FChildPid = 0;
  ClosePipes();
}

void TVirtualRedirector::WriteToPipe(const QByteArray& Bytes) {
  if (!FRunning) return;
  if (!PipeIo::WriteAll(FPipeOut, Bytes))
    throw Exception(QStringLiteral("Error writing to the pipe"));
}

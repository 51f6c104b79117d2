#include "process/PipeThread.h"

#include "process/PipeIo.h"
#include "process/RedirectorEvent.h"

namespace {

// False when the pipe cannot be asked, so that the cycle ends there.
bool Forward(QObject* Target, int Fd, TRedirectorEvent::TKind Kind) {
  QByteArray Bytes;
  if (!PipeIo::ReadWaiting(Fd, Bytes)) return false;
  if (!Bytes.isEmpty()) TRedirectorEvent::Post(Target, Kind, std::move(Bytes));
  return true;
}

}  // namespace

TPipeThread::TPipeThread(QObject* TargetWnd, int PipeIn, int PipeErrorIn)
    : TCommonThread(TargetWnd), FPipeIn(PipeIn), FPipeErrorIn(PipeErrorIn) {}

TPipeThread::~TPipeThread() { Stop(); }

void TPipeThread::Terminate() {
  TCommonThread::Terminate();
  TriggerEvent();
}

void TPipeThread::Execute() {
  // Terminated is looked at only here: a cycle once begun is completed.
  while (!Terminated()) {
    WaitForEvent(ReadInterval);
    try {
      ReadCycle();
    } catch (...) {
      // Out of memory for a piece: try again next cycle.
    }
  }
}

void TPipeThread::ReadCycle() {
  if (!Forward(TargetWnd(), FPipeIn, TRedirectorEvent::ChildInput)) return;
  Forward(TargetWnd(), FPipeErrorIn, TRedirectorEvent::ChildErrorInput);
}

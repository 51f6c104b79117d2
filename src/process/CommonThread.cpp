#include "process/CommonThread.h"

#include <cerrno>
#include <system_error>

#include "process/PipeIo.h"

TCommonThread::TCommonThread(QObject* Target) : FTarget(Target) {}

TCommonThread::~TCommonThread() {
  Stop();
  PipeIo::Close(FEventRead);
  PipeIo::Close(FEventWrite);
}

void TCommonThread::Resume() {
  if (!FThread.joinable()) FThread = std::thread(&TCommonThread::ThreadProc, this);
}

void TCommonThread::Terminate() {
  FTerminated = true;
  TriggerEvent();
}

void TCommonThread::TriggerEvent() {
  {
    std::lock_guard<std::mutex> Lock(FEventLock);
    FEventSignalled = true;
  }
  FEventChanged.notify_all();
  if (FEventWrite >= 0) PipeIo::Signal(FEventWrite);
}

void TCommonThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

bool TCommonThread::WaitForEvent(std::chrono::milliseconds Timeout) {
  std::unique_lock<std::mutex> Lock(FEventLock);
  return FEventChanged.wait_for(Lock, Timeout, [this] { return FEventSignalled; });
}

int TCommonThread::MakeEventDescriptor() {
  if (FEventRead >= 0) return FEventRead;
  if (!PipeIo::CreatePipe(FEventRead, FEventWrite) || !PipeIo::SetNonBlocking(FEventWrite)) {
    const int Error = errno;
    PipeIo::Close(FEventRead);
    PipeIo::Close(FEventWrite);
    throw std::system_error(Error, std::generic_category(), "wake event");
  }
  return FEventRead;
}

void TCommonThread::Stop() {
  if (!FThread.joinable()) return;
  Terminate();
  WaitFor();
}

void TCommonThread::ThreadProc() {
  try {
    Execute();
  } catch (...) {
    // A worker has nobody to report to; its owner sees the run end anyway.
  }
}

#include "process/CommonThread.h"

TCommonThread::TCommonThread(QObject* TargetWnd) : FTargetWnd(TargetWnd) {}

TCommonThread::~TCommonThread() { Stop(); }

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
}

void TCommonThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

bool TCommonThread::WaitForEvent(std::chrono::milliseconds Timeout) {
  std::unique_lock<std::mutex> Lock(FEventLock);
  return FEventChanged.wait_for(Lock, Timeout, [this] { return FEventSignalled; });
}

void TCommonThread::Stop() {
  if (!FThread.joinable()) return;
  Terminate();
  WaitFor();
}

void TCommonThread::ThreadProc() {
  FRunning = true;
  try {
    Execute();
  } catch (...) {
    // A worker has nobody to report to; its owner sees the run end anyway.
  }
  FRunning = false;
  FFinished = true;
}

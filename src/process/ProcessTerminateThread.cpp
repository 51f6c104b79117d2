#include "process/ProcessTerminateThread.h"

#include "process/ChildProcess.h"
#include "process/RedirectorEvent.h"

TProcessTerminateThread::TProcessTerminateThread(QObject* Target, pid_t ChildProcess)
    : TCommonThread(Target), FChildProcess(ChildProcess) {}

TProcessTerminateThread::~TProcessTerminateThread() { Stop(); }

void TProcessTerminateThread::Execute() {
  try {
    while (!ChildProcess::HasEnded(FChildProcess) && !WaitForEvent(WatchInterval)) {
    }
  } catch (...) {
    // The end is posted in every case, so the owner always goes idle.
  }
  TRedirectorEvent::Post(Target(), TRedirectorEvent::ChildProcessEnd);
}

#pragma once
#include <chrono>
#include <sys/types.h>

#include "process/CommonThread.h"

// The watcher: waits until the child ends or the wake event is signalled,
// then posts the end notification as its last act.
class TProcessTerminateThread : public TCommonThread {
 public:
  // How often the watcher looks whether the child has ended.
  static constexpr std::chrono::milliseconds WatchInterval{20};

  // ChildProcess is left for the owner to collect, so that its id cannot be
  // given to another process while the owner may still signal it.
  TProcessTerminateThread(QObject* Target, pid_t ChildProcess);
  ~TProcessTerminateThread() override;

 protected:
  void Execute() override;

 private:
  const pid_t FChildProcess;
};

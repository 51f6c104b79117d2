#pragma once
// Base of the redirector's two worker threads.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class QObject;

// A worker that posts notifications to FTarget. It is created held and
// starts running Execute on Resume; its owner stops it (Terminate or
// TriggerEvent, then WaitFor) before destroying it.
class TCommonThread {
 public:
  explicit TCommonThread(QObject* Target);
  virtual ~TCommonThread();
  TCommonThread(const TCommonThread&) = delete;
  TCommonThread& operator=(const TCommonThread&) = delete;

  // Starts the held thread; does nothing once started. Throws
  // std::system_error when no thread can be created.
  void Resume();
  // Asks the worker to end and wakes it.
  virtual void Terminate();
  // Signals the wake event, which stays signalled.
  void TriggerEvent();
  // Waits until the thread procedure has ended.
  void WaitFor();

  bool Terminated() const { return FTerminated; }

 protected:
  virtual void Execute() = 0;
  // Waits up to Timeout for the wake event; true when it is signalled.
  bool WaitForEvent(std::chrono::milliseconds Timeout);
  // For a worker that waits on descriptors besides the wake event: gives the
  // event a descriptor that turns readable when the event is signalled and
  // stays so, and returns it. The thread keeps it. To be called from the
  // constructor of the derived class; throws std::system_error when it cannot.
  int MakeEventDescriptor();
  QObject* Target() const { return FTarget; }
  // For the destructors of derived classes: the thread runs their Execute,
  // so it must have ended before their members go.
  void Stop();

 private:
  void ThreadProc();

  QObject* const FTarget;
  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::mutex FEventLock;
  std::condition_variable FEventChanged;
  bool FEventSignalled = false;  // guarded by FEventLock
  // The event's descriptor pipe, set before the thread starts; -1 while none.
  int FEventRead = -1;
  int FEventWrite = -1;
};

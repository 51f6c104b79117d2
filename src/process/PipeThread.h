#pragma once
#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "process/CommonThread.h"
#include "process/RedirectorEvent.h"

// The reader: takes the child's standard output and standard error as soon
// as they wait, reads each pipe until it is empty, and posts what it read to
// the target in pieces, in order. A child that writes a lot is never held up
// by a full pipe for longer than it takes to empty it.
class TPipeThread : public TCommonThread {
 public:
  // The longest the reader waits before it looks at the pipes again; output
  // and Terminate end the wait at once.
  static constexpr std::chrono::milliseconds ReadInterval{250};
  // The largest piece posted at once: the receiver handles output as it
  // comes instead of in one huge block at the end.
  static constexpr qsizetype PieceSize = 64 * 1024;
  // The most output posted and not yet taken by the receiver. Past it the
  // reader waits: a receiver that falls behind holds the child back (its
  // pipe fills and it waits) instead of piling its output up in memory.
  static constexpr qsizetype MostInFlight = 1024 * 1024;

  // PipeIn and PipeErrorIn are non-blocking and stay open until the thread
  // has ended. Throws std::system_error when the wake-up cannot be made.
  TPipeThread(QObject* Target, int PipeIn, int PipeErrorIn);
  ~TPipeThread() override;

  // Wakes the reader for one last look, so that what the child printed
  // before it ended is still delivered.
  void Terminate() override;
  // The receiver has handled Piece; called on its thread. A piece another
  // reader read is not this one's to count (see Taken in the .cpp).
  void Taken(const TRedirectorEvent& Piece);

 protected:
  void Execute() override;

 private:
  struct TStream {
    int Fd;  // -1 once its writers have gone: a closed pipe is always readable
    TRedirectorEvent::TKind Kind;
  };

  bool WaitForRoom();
  void Wait();
  void ReadUntilEmpty();
  void ReadWhatWaits();
  qsizetype TakePiece(TStream& Stream, qsizetype Limit);

  TStream FStreams[2];
  // Tells this reader's pieces from those of the redirector's earlier runs.
  const quint64 FSerial;
  const int FEvent;
  std::vector<char> FBuffer;
  std::mutex FFlowLock;
  std::condition_variable FFlowChanged;
  qsizetype FInFlight = 0;  // guarded by FFlowLock
};

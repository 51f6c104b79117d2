#include "process/PipeThread.h"

#include <algorithm>
#include <atomic>

#include "process/PipeIo.h"

namespace {
std::atomic<quint64> LastSerial{0};
}

TPipeThread::TPipeThread(QObject* Target, int PipeIn, int PipeErrorIn)
    : TCommonThread(Target),
      FStreams{{PipeIn, TRedirectorEvent::ChildInput},
               {PipeErrorIn, TRedirectorEvent::ChildErrorInput}},
      FSerial(++LastSerial),
      FEvent(MakeEventDescriptor()),
      FBuffer(size_t(PieceSize)) {}

TPipeThread::~TPipeThread() { Stop(); }

void TPipeThread::Terminate() {
  TCommonThread::Terminate();
  TriggerEvent();
  std::lock_guard<std::mutex> Lock(FFlowLock);
  FFlowChanged.notify_all();
}

// The end of a run is posted by the watcher, so the last pieces of its
// reader may come after it; a new run can have started by the time they are
// handled. Counted against the new reader, they would let it read that much
// beyond its limit for the rest of its run.
void TPipeThread::Taken(const TRedirectorEvent& Piece) {
  if (Piece.Reader() != FSerial) return;
  std::lock_guard<std::mutex> Lock(FFlowLock);
  FInFlight -= Piece.Bytes().size();
  if (FInFlight <= MostInFlight) FFlowChanged.notify_all();
}

bool TPipeThread::WaitForRoom() {
  std::unique_lock<std::mutex> Lock(FFlowLock);
  return FFlowChanged.wait_for(Lock, ReadInterval, [this] {
    return FInFlight <= MostInFlight || Terminated();
  }) && !Terminated();
}

void TPipeThread::Execute() {
  while (!Terminated()) {
    try {
      if (!WaitForRoom()) continue;
      Wait();
      ReadUntilEmpty();
    } catch (...) {
      // Out of memory for a piece: its bytes are lost, the next look goes on.
    }
  }
  try {
    ReadWhatWaits();
  } catch (...) {
    // As above; the thread ends all the same, so that its owner can go on.
  }
}

void TPipeThread::Wait() {
  const int Fds[] = {FEvent, FStreams[0].Fd, FStreams[1].Fd};
  // A wait that fails at once must not turn the loop into a busy one.
  if (!PipeIo::WaitReadable(Fds, 3, ReadInterval)) WaitForEvent(ReadInterval);
}

// The streams take turns piece by piece, so that neither waits while the
// other is emptied; a fast child refills a pipe while it is read. A look
// under way when Terminate is asked stops: the last look takes the rest.
void TPipeThread::ReadUntilEmpty() {
  bool More = true;
  while (More && !Terminated()) {
    {
      std::lock_guard<std::mutex> Lock(FFlowLock);
      if (FInFlight > MostInFlight) return;
    }
    More = false;
    for (TStream& Stream : FStreams)
      if (TakePiece(Stream, PieceSize) == PieceSize) More = true;
  }
}

// The child has ended, so what it printed is what waits now. Reading no
// more than that keeps a writer that outlives it (one in a session of its
// own still holding the pipe) from holding up the owner.
void TPipeThread::ReadWhatWaits() {
  for (TStream& Stream : FStreams) {
    qsizetype Left = Stream.Fd < 0 ? 0 : PipeIo::Waiting(Stream.Fd);
    while (Left > 0) {
      const qsizetype Limit = std::min(Left, PieceSize);
      const qsizetype Got = TakePiece(Stream, Limit);
      if (Got < Limit) break;
      Left -= Got;
    }
  }
}

// Reads from Stream until Limit bytes are read or nothing waits, and posts
// them as one piece. Returns the count read.
qsizetype TPipeThread::TakePiece(TStream& Stream, qsizetype Limit) {
  qsizetype Size = 0;
  while (Stream.Fd >= 0 && Size < Limit) {
    qsizetype Got = 0;
    const PipeIo::TReadResult Result =
        PipeIo::ReadSome(Stream.Fd, FBuffer.data() + Size, Limit - Size, Got);
    if (Result == PipeIo::TReadResult::Empty) break;
    if (Result == PipeIo::TReadResult::Ended)
      Stream.Fd = -1;
    else
      Size += Got;
  }
  if (Size > 0) {
    {
      std::lock_guard<std::mutex> Lock(FFlowLock);
      FInFlight += Size;
    }
    TRedirectorEvent::Post(Target(), Stream.Kind, QByteArray(FBuffer.data(), Size), FSerial);
  }
  return Size;
}

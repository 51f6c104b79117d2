#pragma once
#include <chrono>

#include "process/CommonThread.h"

// The reader: every ReadInterval it takes what waits on the child's standard
// output, then on its standard error, and posts each piece to the target.
class TPipeThread : public TCommonThread {
 public:
  // The pace of the output polling, and so the longest delay of a piece.
  static constexpr std::chrono::milliseconds ReadInterval{250};

  // PipeIn and PipeErrorIn stay open until the thread has ended.
  TPipeThread(QObject* TargetWnd, int PipeIn, int PipeErrorIn);
  ~TPipeThread() override;

  // Wakes the reader for one last cycle, so that what the child printed
  // before it ended is still delivered.
  void Terminate() override;

 protected:
  void Execute() override;

 private:
  void ReadCycle();

  const int FPipeIn;
  const int FPipeErrorIn;
};

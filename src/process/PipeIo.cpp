#include "process/PipeIo.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace PipeIo {

bool CreatePipe(int& ReadEnd, int& WriteEnd) {
  int Ends[2];
  if (pipe2(Ends, O_CLOEXEC) != 0) return false;
  ReadEnd = Ends[0];
  WriteEnd = Ends[1];
  return true;
}

bool MoveAbove2(int& Fd) {
  if (Fd > 2) return true;
  const int Moved = fcntl(Fd, F_DUPFD_CLOEXEC, 3);
  if (Moved < 0) return false;
  close(Fd);
  Fd = Moved;
  return true;
}

bool SetNonBlocking(int Fd) {
  const int Flags = fcntl(Fd, F_GETFL);
  return Flags >= 0 && fcntl(Fd, F_SETFL, Flags | O_NONBLOCK) == 0;
}

void Close(int& Fd) {
  if (Fd < 0) return;
  // Linux releases the descriptor even when close reports EINTR; retrying
  // could close a descriptor another thread has just been given.
  close(Fd);
  Fd = -1;
}

bool WriteAll(int Fd, const QByteArray& Bytes) {
  const char* Data = Bytes.constData();
  qsizetype Left = Bytes.size();
  while (Left > 0) {
    const ssize_t Written = write(Fd, Data, size_t(Left));
    if (Written < 0 && errno == EINTR) continue;
    if (Written <= 0) return false;
    Data += Written;
    Left -= Written;
  }
  return true;
}

void Signal(int WriteEnd) {
  const char Byte = 1;
  // EAGAIN means the pipe is full, and so readable already.
  while (write(WriteEnd, &Byte, 1) < 0 && errno == EINTR) {
  }
}

TReadResult ReadSome(int Fd, char* Buffer, qsizetype Size, qsizetype& Got) {
  ssize_t Result;
  do {
    Result = read(Fd, Buffer, size_t(Size));
  } while (Result < 0 && errno == EINTR);
  Got = Result > 0 ? qsizetype(Result) : 0;
  if (Result > 0) return TReadResult::Read;
  if (Result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return TReadResult::Empty;
  return TReadResult::Ended;
}

qsizetype Waiting(int Fd) {
  int Count = 0;
  return ioctl(Fd, FIONREAD, &Count) == 0 ? qsizetype(Count) : -1;
}

bool WaitReadable(const int* Fds, int Count, std::chrono::milliseconds Timeout) {
  std::vector<pollfd> Polled(static_cast<size_t>(Count));
  for (int I = 0; I < Count; ++I) Polled[size_t(I)] = {Fds[I], POLLIN, 0};
  const int Result = poll(Polled.data(), nfds_t(Count), int(Timeout.count()));
  return Result >= 0 || errno == EINTR;
}

}  // namespace PipeIo

#include "process/PipeIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

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

bool ReadWaiting(int Fd, QByteArray& Bytes) {
  Bytes.clear();
  int Waiting = 0;
  if (ioctl(Fd, FIONREAD, &Waiting) != 0) return false;
  if (Waiting <= 0) return true;
  Bytes.resize(Waiting);
  ssize_t Got;
  do {
    Got = read(Fd, Bytes.data(), size_t(Waiting));
  } while (Got < 0 && errno == EINTR);
  Bytes.resize(Got > 0 ? qsizetype(Got) : 0);
  return true;
}

}  // namespace PipeIo

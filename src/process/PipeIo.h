#pragma once
// Descriptor helpers for the redirector's pipes. A descriptor value of -1
// means that there is none.
#include <QByteArray>
#include <chrono>

namespace PipeIo {

// Creates a pipe whose ends are closed on exec. False when it cannot.
bool CreatePipe(int& ReadEnd, int& WriteEnd);

// Makes sure Fd is above 2, so that putting the child's standard descriptors
// in place cannot overwrite it. False when it cannot; Fd is then unchanged.
bool MoveAbove2(int& Fd);

bool SetNonBlocking(int Fd);

// Closes Fd when there is one and sets it to -1.
void Close(int& Fd);

// Writes all of Bytes, going on after partial writes and interruptions.
// False when the pipe takes fewer bytes.
bool WriteAll(int Fd, const QByteArray& Bytes);

// Makes the read end of the pipe whose write end is WriteEnd readable, if it
// is not yet. WriteEnd must be non-blocking: a full pipe is readable already.
void Signal(int WriteEnd);

enum class TReadResult {
  Read,   // Got bytes were read
  Empty,  // nothing waits now
  Ended,  // the writers have gone, or the pipe failed: nothing more will come
};

// Reads up to Size bytes from the non-blocking Fd into Buffer.
TReadResult ReadSome(int Fd, char* Buffer, qsizetype Size, qsizetype& Got);

// The count of bytes waiting in Fd; -1 when the pipe cannot be asked.
qsizetype Waiting(int Fd);

// Waits up to Timeout until one of Fds can be read without blocking: bytes
// wait, its writers have gone or it failed. Descriptors of -1 are passed
// over. Returns early, and true, when interrupted by a signal. False when the
// wait itself fails.
bool WaitReadable(const int* Fds, int Count, std::chrono::milliseconds Timeout);

}  // namespace PipeIo

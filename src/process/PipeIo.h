#pragma once
// Descriptor helpers for the redirector's pipes. A descriptor value of -1
// means that there is none.
#include <QByteArray>

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

// The bytes waiting in Fd, without blocking; empty when there are none.
// False when the pipe cannot be asked.
bool ReadWaiting(int Fd, QByteArray& Bytes);

}  // namespace PipeIo

#include "process/SecretPipe.h"

#include <fcntl.h>

#include "core/Exception.h"
#include "process/PipeIo.h"

TSecretPipe::TSecretPipe(const QByteArray& Secret) {
  int writeEnd = -1;
  // Both ends close on exec: no other child started meanwhile gets them.
  const bool made = PipeIo::CreatePipe(FReadEnd, writeEnd);
  // Non-blocking, so a secret larger than the pipe fails instead of waiting
  // for a reader that has not started yet.
  const bool written =
      made && PipeIo::SetNonBlocking(writeEnd) && PipeIo::WriteAll(writeEnd, Secret);
  PipeIo::Close(writeEnd);
  if (!written) {
    PipeIo::Close(FReadEnd);
    throw Exception("Unable to hand the password to the child process");
  }
}

TSecretPipe::~TSecretPipe() { PipeIo::Close(FReadEnd); }

void TSecretPipe::PassToChild(int ReadEnd) {
  if (ReadEnd >= 0) fcntl(ReadEnd, F_SETFD, 0);
}

#include "remote/operations/CompareOperation.h"

TCompareOperation::TCompareOperation(IPage* Page, const TRemoteCheck& Check,
                                     const QString& WorkFile)
    : TGetOperation(Page, Check.RemotePath, WorkFile), FCheck(Check) {}

// psftp answers a "get" of a missing file with "PATH: open for read: no such
// file or directory", in its own words for the SFTP status whatever the
// server's text; PATH is the server's, so only the end of the line is read.
bool TCompareOperation::FileMissing() const {
  return Failed() && Error().endsWith(": open for read: no such file or directory");
}

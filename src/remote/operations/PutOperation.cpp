#include "remote/operations/PutOperation.h"

#include <QFileInfo>

#include "remote/operations/PsftpCommand.h"

TPutOperation::TPutOperation(IPage* Page, const QString& LocalPath, const QByteArray& RemotePath,
                             bool MarksSaved)
    : TPsftpOperation(Page),
      FLocalPath(LocalPath),
      FRemotePath(RemotePath),
      FMarksSaved(MarksSaved) {
  SetMissing("psftp did not report the upload");
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TPutOperation::Command() const {
  QByteArrayList args{FLocalPath.toLocal8Bit()};
  if (!FRemotePath.isEmpty()) args << FRemotePath;
  return TPsftpCommand::Build("put", args);
}

// The remote half is the path as the server resolved it; the local half is
// ours, and only a line that begins with exactly it counts.
void TPutOperation::Line(const QString& Text) {
  const QString head = "local:" + FLocalPath + " => remote:";
  if (!FResultSeen && Text.startsWith(head) && Text.size() > head.size()) {
    FResultSeen = true;
    return;
  }
  Fail(Text);
}

// Without a remote name psftp names the file after the local one.
QString TPutOperation::Writes() const {
  if (!FWrites.isEmpty()) return FWrites;
  return FRemotePath.isEmpty() ? QFileInfo(FLocalPath).fileName()
                               : QString::fromLocal8Bit(FRemotePath);
}

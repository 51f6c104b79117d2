#include "remote/operations/GetOperation.h"

#include "remote/operations/PsftpCommand.h"

TGetOperation::TGetOperation(IPage* Page, const QByteArray& RemotePath, const QString& LocalPath)
    : TGetOperation(TKind::Get, Page, RemotePath, LocalPath) {}

TGetOperation::TGetOperation(TKind Kind, IPage* Page, const QByteArray& RemotePath,
                             const QString& LocalPath)
    : TPsftpOperation(Kind, Page), FRemotePath(RemotePath), FLocalPath(LocalPath) {
  SetMissing("psftp did not report the download");
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TGetOperation::Command() const {
  return TPsftpCommand::Build("get", {FRemotePath, FLocalPath.toLocal8Bit()});
}

// The remote half is the path as the server resolved it, which may differ
// from the one asked for (a link, "..") and is the server's own text; the
// local half is ours, and only a line ending in exactly it counts.
void TGetOperation::Line(const QString& Text) {
  const QString tail = " => local:" + FLocalPath;
  if (!FResultSeen && Text.startsWith("remote:") && Text.endsWith(tail) &&
      Text.size() > tail.size() + 7) {
    FResultSeen = true;
    return;
  }
  Fail(Text);
}

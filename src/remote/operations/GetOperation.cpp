#include "remote/operations/GetOperation.h"

#include <QFile>
#include <QFileInfo>

#include "remote/operations/PsftpCommand.h"

TGetOperation::TGetOperation(IPage* Page, const QByteArray& RemotePath, const QString& LocalPath)
    : TPsftpOperation(Page), FRemotePath(RemotePath), FLocalPath(LocalPath) {
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

// psftp tells nothing of a transfer until it has finished, but it writes the
// local file as the bytes come: its size against the size the listing gave
// is the progress.
QString TGetOperation::Progress() const {
  const qint64 done = QFileInfo(FLocalPath).size();
  if (FExpectedSize > 0)
    return QString("Downloading... %1%").arg(qMin<qint64>(99, done * 100 / FExpectedSize));
  return QString("Downloading... %1 KB").arg(done / 1024);
}

// A copy broken off is no copy of the file.
void TGetOperation::Abandon() { QFile::remove(FLocalPath); }

#pragma once

#include "remote/editing/RemoteFingerprint.h"
#include "remote/operations/PsftpOperation.h"

// "get REMOTE LOCAL". psftp prints "remote:REMOTE => local:LOCAL" before it
// copies anything, then, if the copy breaks, a line of its own ("error while
// reading: failure", "error while writing local file"). So the download
// succeeded only when the result line came, named the local file that was
// asked for, and nothing followed it.
class TGetOperation : public TPsftpOperation {
 public:
  // LocalPath is where psftp writes; the caller moves it into place on success.
  TGetOperation(IPage* Page, const QByteArray& RemotePath, const QString& LocalPath);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FResultSeen && !Failed(); }
  QString Progress() const override;
  void Abandon() override;
  const QByteArray& RemotePath() const { return FRemotePath; }
  const QString& LocalPath() const { return FLocalPath; }
  // The size the listing gave, for showing progress; -1 when unknown.
  qint64 ExpectedSize() const { return FExpectedSize; }
  void SetExpectedSize(qint64 Value) { FExpectedSize = Value; }
  // What the listing showed of the file, for the page's fingerprint.
  const TRemoteFingerprint& Listed() const { return FListed; }
  void SetListed(const TRemoteFingerprint& Value) { FListed = Value; }

 private:
  QByteArray FRemotePath;
  QString FLocalPath;
  bool FResultSeen = false;
  qint64 FExpectedSize = -1;
  TRemoteFingerprint FListed;
};

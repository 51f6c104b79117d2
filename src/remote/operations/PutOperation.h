#pragma once

#include "remote/editing/RemoteFingerprint.h"
#include "remote/operations/PsftpOperation.h"

// "put LOCAL [REMOTE]". psftp prints "local:LOCAL => remote:REMOTE" before it
// sends anything, then, if the copy breaks (a full disk on the server, a
// dropped connection), "error while writing: ..." or another line of its
// own. The upload succeeded only when the result line came for the local
// file that was asked for and nothing followed it.
class TPutOperation : public TPsftpOperation {
 public:
  // RemotePath empty: psftp names the remote file after the local one, in
  // its current directory.
  // MarksSaved: the upload is the page's own text, so its success saves the page.
  TPutOperation(IPage* Page, const QString& LocalPath, const QByteArray& RemotePath,
                bool MarksSaved);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FResultSeen && !Failed(); }
  bool CountsAsUpload() const override { return true; }
  bool SavesPage() const override { return FMarksSaved; }
  QString Writes() const override;
  bool WritesInPlace() const override { return FWrites.isEmpty(); }
  // The file as the user knows it, when the upload goes to another name first.
  void SetWrites(const QString& Name) { FWrites = Name; }
  const QString& LocalPath() const { return FLocalPath; }
  const QByteArray& RemotePath() const { return FRemotePath; }
  bool MarksSaved() const { return FMarksSaved; }
  // What the page will have seen of the remote file once the upload is confirmed.
  const TRemoteFingerprint& Sent() const { return FSent; }
  void SetSent(const TRemoteFingerprint& Value) { FSent = Value; }
  // The page's text version (IPage::TextVersion) whose bytes were sent.
  quint64 SentVersion() const { return FSentVersion; }
  void SetSentVersion(quint64 Value) { FSentVersion = Value; }

 private:
  QString FLocalPath;
  QByteArray FRemotePath;
  bool FMarksSaved;
  QString FWrites;
  bool FResultSeen = false;
  TRemoteFingerprint FSent;
  quint64 FSentVersion = 0;
};

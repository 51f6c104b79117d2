#pragma once

#include "remote/operations/PsftpOperation.h"

// "cd DIR". psftp answers "Remote directory is now /abs/path" and nothing
// else when it worked; a refusal is one line of its own ("Directory /x: no
// such file or directory", "Can't change directory: ...").
class TChangeDirOperation : public TPsftpOperation {
 public:
  TChangeDirOperation(IPage* Page, const QByteArray& Dir);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FChanged && !Failed(); }
  // The directory psftp is now in, as psftp reported it.
  const QString& NewDir() const { return FNewDir; }
  const QByteArray& AskedDir() const { return FDir; }
  // Where to download the entry instead when it turns out to be no
  // directory (a link to a file); empty when a refusal is the end.
  void SetFallback(const QString& LocalPath) { FFallbackLocalPath = LocalPath; }
  const QString& FallbackLocalPath() const { return FFallbackLocalPath; }

 private:
  QByteArray FDir;
  bool FChanged = false;
  QString FNewDir;
  QString FFallbackLocalPath;
};

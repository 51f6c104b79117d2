#pragma once

#include "remote/PsftpOperation.h"

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

 private:
  QByteArray FDir;
  bool FChanged = false;
  QString FNewDir;
};

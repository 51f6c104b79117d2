#pragma once

#include "remote/operations/PsftpOperation.h"

// "mkdir PATH", a full path. psftp takes mkdir's argument as it is, not as
// a pattern. It answers "mkdir D/NAME: OK" on success and "mkdir D/NAME:
// REASON" on failure ("failure" when the name is taken: OpenSSH's mkdir
// never reuses an existing name), D being the folder as the server resolved
// it; only "OK" after exactly our name counts, once.
class TMakeDirOperation : public TPsftpOperation {
 public:
  TMakeDirOperation(IPage* Page, const QByteArray& Path);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FMade && !Failed(); }
  const QByteArray& Path() const { return FPath; }

 private:
  QByteArray FPath;
  bool FMade = false;
};

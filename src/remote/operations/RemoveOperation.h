#pragma once

#include "remote/operations/PsftpOperation.h"

// "rm PATH", a full path. psftp reads PATH as a pattern, so it goes escaped
// (TPsftpCommand::LiteralPattern). It answers "rm D/NAME: OK" on success
// and "rm D/NAME: REASON" on failure, D being the folder as the server
// resolved it; only "OK" after exactly our name counts, once.
class TRemoveOperation : public TPsftpOperation {
 public:
  TRemoveOperation(IPage* Page, const QByteArray& Path, const QString& Writes);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FRemoved && !Failed(); }
  bool CountsAsUpload() const override { return true; }
  bool SavesPage() const override { return Page() != nullptr; }
  QString Writes() const override { return FWrites; }
  const QByteArray& Path() const { return FPath; }

 private:
  QByteArray FPath;
  QString FWrites;
  bool FRemoved = false;
};

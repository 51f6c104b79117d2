#pragma once

#include "remote/operations/PsftpOperation.h"

// "rm PATH", or "rmdir PATH" for an empty folder, a full path. psftp reads
// PATH as a pattern, so it goes escaped (TPsftpCommand::LiteralPattern). It
// answers "rm D/NAME: OK" on success and "rm D/NAME: REASON" on failure, D
// being the folder as the server resolved it; only "OK" after exactly our
// name counts, once. OpenSSH refuses "rmdir" of a folder that is not empty
// with "failure", and "rm" of a folder too: neither ever removes what is in
// one.
class TRemoveOperation : public TPsftpOperation {
 public:
  enum class TKind { File, Folder };
  // Writes: the file a save's step belongs to; empty for a removal of its own.
  TRemoveOperation(IPage* Page, const QByteArray& Path, const QString& Writes,
                   TKind Kind = TKind::File);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FRemoved && !Failed(); }
  bool CountsAsUpload() const override { return !FWrites.isEmpty(); }
  bool SavesPage() const override { return Page() != nullptr; }
  QString Writes() const override { return FWrites; }
  const QByteArray& Path() const { return FPath; }

 private:
  QByteArray FPath;
  QString FWrites;
  TKind FKind;
  bool FRemoved = false;
};

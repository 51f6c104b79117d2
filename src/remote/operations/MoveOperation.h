#pragma once

#include "remote/operations/PsftpOperation.h"

// "mv FROM TO", both full paths in one folder. psftp reads FROM as a
// pattern, so it goes escaped (TPsftpCommand::LiteralPattern); TO is taken
// as it is. psftp names both paths as the server resolved them: on success
// "FROM -> TO", on failure "mv FROM TO: REASON", REASON being psftp's words
// for the SFTP status ("failure" when TO exists: SFTP's rename never
// replaces a file, so OpenSSH refuses it).
//
// A success counts only as "D/FROMNAME -> D/TONAME" with the same D on both
// sides: the names are ours, and psftp resolves only the folder, which both
// share. Anything else fails the operation, and no line at all does too.
class TMoveOperation : public TPsftpOperation {
 public:
  // From and To must be full paths in the same folder. Writes: the file a
  // save's step belongs to; empty for a rename of its own.
  TMoveOperation(IPage* Page, const QByteArray& From, const QByteArray& To, const QString& Writes);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FMoved && !Failed(); }
  bool CountsAsUpload() const override { return !FWrites.isEmpty(); }
  bool SavesPage() const override { return Page() != nullptr; }
  QString Writes() const override { return FWrites; }
  // After the prompt: FROM was not there to move.
  bool SourceMissing() const { return FSourceMissing; }
  const QByteArray& From() const { return FFrom; }
  const QByteArray& To() const { return FTo; }

 private:
  QByteArray FFrom;
  QByteArray FTo;
  QString FWrites;
  bool FMoved = false;
  bool FSourceMissing = false;
};

#pragma once

#include "remote/operations/PsftpOperation.h"

// "chmod OOOO PATH", a full path and four octal digits. psftp reads PATH as
// a pattern, so it goes escaped (TPsftpCommand::LiteralPattern). psftp asks
// the server for the file's attributes first and sets them only when the
// bits differ: it then answers "D/NAME: 0644 -> 0755" (D the folder as the
// server resolved it), and nothing at all when the bits were right already.
// A refusal is "get attrs for PATH: REASON" or "set attrs for PATH: REASON".
//
// A success counts only as that one line ending in our name and the bits
// asked for, or as no line at all; any other line fails the operation.
class TChmodOperation : public TPsftpOperation {
 public:
  // Permissions: the bits to set (07777).
  TChmodOperation(IPage* Page, const QByteArray& Path, int Permissions, const QString& Writes);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool CountsAsUpload() const override { return true; }
  bool SavesPage() const override { return Page() != nullptr; }
  QString Writes() const override { return FWrites; }
  // The bits as "chmod" takes them: four octal digits.
  static QByteArray Octal(int Permissions);

 private:
  QByteArray FPath;
  int FPermissions;
  QString FWrites;
  bool FChanged = false;
};

#pragma once

#include <QStringList>

#include "remote/PsftpOperation.h"

// "ls" of psftp's current directory. The answer is "Listing directory DIR"
// and then one line per entry, each the text the server chose for it: those
// lines are data to parse, never messages. The header must name the directory
// psftp was last seen to be in, so an answer that belongs elsewhere is not
// taken for this one.
class TListOperation : public TPsftpOperation {
 public:
  TListOperation(IPage* Page, const QString& Dir);
  QByteArray Command() const override { return "ls"; }
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FHeaderSeen && !Failed(); }
  const QString& Dir() const { return FDir; }
  // The entry lines, in the order psftp printed them.
  const QStringList& Lines() const { return FLines; }

 private:
  QString FDir;
  bool FHeaderSeen = false;
  QStringList FLines;
};

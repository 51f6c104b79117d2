#pragma once

#include <memory>

#include "remote/listing/Dir.h"
#include "remote/operations/PsftpOperation.h"

// "ls" of psftp's current directory. The answer is "Listing directory DIR"
// and then one line per entry, each the text the server chose for it: those
// lines are data to parse, never messages. The header must name the directory
// psftp was last seen to be in, so an answer that belongs elsewhere is not
// taken for this one.
//
// Entries are parsed as their lines arrive, into a directory of the
// operation's own: a large listing costs no second copy of its text, its
// parsing is spread over the pieces, and the cached directory is touched only
// once the answer turned out whole.
class TListOperation : public TPsftpOperation {
 public:
  TListOperation(IPage* Page, const QString& Dir);
  QByteArray Command() const override { return "ls"; }
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FHeaderSeen && !Failed(); }
  // A listing's progress is the lines read so far.
  QString Progress() const override;
  const QString& Dir() const { return FDirName; }
  // The entries listed so far, in the order psftp printed them.
  TDir& Entries() { return *FEntries; }
  int LineCount() const { return FLineCount; }

 private:
  QString FDirName;
  bool FHeaderSeen = false;
  int FLineCount = 0;
  std::unique_ptr<TDir> FEntries;
};

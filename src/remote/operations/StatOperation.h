#pragma once

#include <vector>

#include "remote/editing/RemoteCheck.h"
#include "remote/listing/ListingParser.h"
#include "remote/operations/PsftpOperation.h"

// psftp has no "stat". Its nearest is "ls" with a pattern that matches the
// file's name alone: psftp then lists the directory as it names it,
// "Listing directory DIR", and prints the one long line of the entry, or
// nothing after the header when no entry matches. The server chooses those
// lines, so only a line that names exactly the asked entry counts.
class TStatOperation : public TPsftpOperation {
 public:
  // Check.RemotePath must pass CanList.
  TStatOperation(IPage* Page, const TRemoteCheck& Check);
  QByteArray Command() const override;
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FHeaderSeen && !Failed(); }
  bool IsCheck() const override { return FIsCheck; }
  // It only updates a listing, and is no check before a save.
  void SetUpdatesListing() { FIsCheck = false; }

  // psftp's "ls" takes a pattern only in the last part of a path and lists
  // the part before it literally, refusing one with a wildcard character in
  // it ("Multiple-level wildcards are not supported"): a file in such a
  // directory, or one named by a relative path, cannot be listed alone.
  static bool CanList(const QByteArray& RemotePath);
  // The argument of "ls" for RemotePath: its directory, then a pattern
  // matching exactly its name.
  static QByteArray Argument(const QByteArray& RemotePath);

  TRemoteCheck& Check() { return FCheck; }
  const TRemoteCheck& Check() const { return FCheck; }
  // After the prompt: the directory is gone, or lists no entry of that name.
  bool Missing() const;
  // How many lines named the entry, and the last of them.
  int Matches() const { return FMatches; }
  const TListingParser::TEntry& Entry() const { return FEntry; }
  // Every line that named the entry (psftp strips control characters from
  // the names it shows, so two files can show one name).
  const std::vector<TListingParser::TEntry>& Entries() const { return FEntries; }

 private:
  TRemoteCheck FCheck;
  QString FDir;
  QString FName;
  bool FHeaderSeen = false;
  bool FDirMissing = false;
  int FMatches = 0;
  TListingParser::TEntry FEntry;
  std::vector<TListingParser::TEntry> FEntries;
  bool FIsCheck = true;
};

#pragma once

#include <QByteArray>
#include <QString>

#include "remote/editing/RemoteFingerprint.h"

// A check, before a save, of whether the page's remote file still is what
// the page last saw (TConnectionDriver::Check), and what it found.
struct TRemoteCheck {
  enum class TVerdict {
    Unchanged,  // the server holds what the page saw, or nothing where the page saw nothing
    Changed,    // other bytes than the page saw; ServerCopy holds them, if fetched
    Deleted,    // the page saw the file, and it is gone
    Exists,     // the page saw nothing there, and the save would replace a file
    Failed,     // psftp refused the check; reported like any refusal
  };

  // Asked: the save's local copy, the remote file it writes, and what the
  // page had seen of that file when the check began.
  QString LocalPath;
  QByteArray RemotePath;
  TRemoteFingerprint Seen;

  // Found.
  TVerdict Verdict = TVerdict::Failed;
  // Changed: the server's bytes in a private work file, which the receiver
  // removes, and their fingerprint. Empty when the listing alone proved the
  // change (another size): the bytes are fetched only when asked for.
  QString ServerCopy;
  TRemoteFingerprint ServerFingerprint;
};

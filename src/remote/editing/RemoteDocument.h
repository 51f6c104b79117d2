#pragma once

#include <QByteArray>
#include <QString>

#include "remote/editing/RemoteFingerprint.h"
#include "remote/local/TextFile.h"

// What one page edits: a remote file, its local copy and the state of the
// text against both. The page's caption is a label made from it; nothing
// reads a file's identity back out of a caption.
struct TRemoteDocument {
  // The remote file the text came from or was last saved to; empty until
  // the server has one.
  QByteArray RemotePath;
  // The local copy psftp uploads from; empty for a text never saved, which
  // needs a name before it can go anywhere. It lies in LocalFolder, and
  // nothing but this document's page writes it.
  QString LocalPath;
  // The page's own folder below the download folder, made when first needed
  // (see Folder()); empty until then.
  QString LocalFolder;
  // What the page last saw of the remote file, for the check before a save.
  TRemoteFingerprint Fingerprint;
  // The text's form as loaded (encoding, byte-order mark, line ends), kept
  // byte for byte when it is written back.
  TTextFormat Format;
  bool Saved = true;
  // True once the file is known to be on the server (downloaded, or an
  // upload of it confirmed).
  bool OnServer = false;
  // The user deleted the file from the list while the page was open: its
  // next save asks before it puts the file back.
  bool DeletedHere = false;

  // True after a save of this text failed or was stopped: a change on the
  // server since is Quillery's own, not someone else's.
  bool LastSaveFailed = false;
  // That save wrote the file in place, so the server's copy may be cut
  // short; a swap's failure cuts no text short (see TSafeSave).
  bool LastSaveCut = false;

  bool Named() const { return !LocalPath.isEmpty(); }
  // LocalFolder, made now if it is not yet; throws Exception when it cannot be.
  QString Folder();
  // The local copy's file name, or "Untitled".
  QString DisplayName() const;
  static QString UntitledName() { return QStringLiteral("Untitled"); }
};

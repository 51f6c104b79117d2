#pragma once

#include <QFileDevice>
#include <QString>

// psftp's and the system's failures in words a person reads at a glance.
// psftp leads with the path and ends with the cause ("/home/u/www/a.txt:
// open for read: permission denied"); in a narrow status panel the cause is
// what must show, so it comes first and the path is cut to its last part.
// psftp's own line is kept by the callers (debug log, tooltip, detail) for
// whoever needs the exact words.
class TPlainMessages {
 public:
  // One of psftp's refusal lines as "Cause: name"; a line it does not know
  // comes back unchanged.
  static QString Refusal(const QString& Line);

  // Why a save failed, from psftp's line, as words that follow "NAME was not
  // saved: " ("the server could not store all of it (its disk may be full)").
  static QString SaveCause(const QString& Line);

  // The cause at the end of one of psftp's refusal lines, as words that
  // follow "NAME was not renamed: " ("permission denied").
  static QString Cause(const QString& Line);

  struct TFatalError {
    QString Text;    // what happened, in plain words
    QString Detail;  // psftp's own line
  };
  // One of psftp's lines that end the connection ("FATAL ERROR: ...", or
  // "ssh_init: ..." when the connection could not even begin).
  static TFatalError FatalError(const QString& Line, const QString& Host, int Port,
                                const QString& User);

  // "Unable to write PATH: REASON", where REASON is the system's own. Qt
  // leaves a file's error at "Unknown error" when a write stops part way
  // (a full disk, a file size limit); errno, read right after the failing
  // call, still holds the cause then.
  static QString LocalWriteError(const QString& Path, QFileDevice::FileError Error,
                                 const QString& ErrorString, int Errno);
};

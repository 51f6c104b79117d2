#pragma once

#include <QByteArray>
#include <QString>

#include "remote/session/EntryUpdate.h"

class IConversation;
class IPage;
class TSafeSave;
class TSaveCheck;

// Sends a page's text, or a local file the user dropped, to the server, and
// tells the page and the user what came of it. A file that is on the server
// already is replaced by a whole copy swapped in beside it (TSafeSave); a new
// file is written where it goes.
class TSaveSender {
 public:
  TSaveSender(IConversation& Driver, const TSaveCheck& Check)
      : FDriver(Driver), FCheck(Check), FEntries(Driver) {}

  // Writes Page's text to LocalPath, its local copy, and sends that copy to
  // the page's remote file. Throws when the copy cannot be written or a name
  // cannot be sent; nothing is then sent.
  void Save(IPage* Page, const QString& LocalPath);
  // Sends a local file the user dropped on Page's list into psftp's current
  // directory, under its own name; the page's own text is not involved.
  void Upload(IPage* Page, const QString& LocalPath);

 private:
  // The bits a swap gives the new copy of Target; -1 to write it in place.
  int Permissions(const QByteArray& Target);
  void Landed(TSafeSave& Save);
  void FinishSave(TSafeSave& Save);

  IConversation& FDriver;
  const TSaveCheck& FCheck;
  TEntryUpdate FEntries;
};

#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

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
  // the page's remote file. Throws when a name cannot be sent or the copy
  // cannot be written; nothing is then sent. A large text is written on a
  // worker (IPage::SaveToFileThen): a failure then is reported once known,
  // and the send follows the write.
  void Save(IPage* Page, const QString& LocalPath);
  // True while Page's local copy is being written for a save.
  bool Writing(const IPage* Page) const;
  bool WritingAny() const { return !FWriting.empty(); }
  // Page goes: its write, if any, ends unheard.
  void PageClosing(const IPage* Page) { Forget(Page); }
  // Sends a local file the user dropped on Page's list into psftp's current
  // directory, under its own name; the page's own text is not involved.
  void Upload(IPage* Page, const QString& LocalPath);

 private:
  // The bits a swap gives the new copy of Target; -1 to write it in place.
  int Permissions(const QByteArray& Target);
  // A page's local copy and the version of the text written to it.
  struct TCopy {
    QString LocalPath;
    quint64 Version = 0;
  };
  void Written(IPage* Page, TSafeSave& Save, const TCopy& Copy, const QString& Error);
  void Forget(const IPage* Page);
  void Landed(TSafeSave& Save);
  void FinishSave(TSafeSave& Save);

  IConversation& FDriver;
  const TSaveCheck& FCheck;
  std::vector<const IPage*> FWriting;
  TEntryUpdate FEntries;
};

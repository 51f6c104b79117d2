#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class IConversation;
class TDir;
class TFile;
class TStatOperation;

// After a command changed a few entries of a folder on the server (a save,
// an upload, a new file or folder, a rename, a removal), the cached listing
// of that folder takes the change for those entries alone, and every page
// that shows the folder shows it anew, as after a listing. The folder is
// not listed again: in a folder of many entries that costs seconds of
// psftp's time. A folder no page has listed is left alone.
//
// What the server holds under a name is learnt from an "ls" of that one
// name (see TStatOperation), whose answer counts only for that name; or it
// is what the command knows for certain (psftp confirmed a removal or a
// rename). psftp's "ls" of one name still reads the whole folder, so in a
// large folder a command that knows enough asks nothing.
class TEntryUpdate {
 public:
  explicit TEntryUpdate(IConversation& Driver) : FDriver(Driver) {}

  // Learns what the server now holds under each of Names in Folder, then
  // shows the folder. A name psftp cannot list alone (in a folder whose path
  // holds a wildcard character), or a refused answer, lists the whole folder
  // again instead.
  void Look(const QString& Folder, const QStringList& Names);
  // Stat's answer for its one name, which it asked in Folder, is taken and
  // the folder shown.
  void Take(const QString& Folder, const TStatOperation& Stat);
  // psftp removed Name from Folder.
  void Removed(const QString& Folder, const QString& Name);
  // psftp renamed From to To in Folder: the entry moves, and keeps what its
  // listing said (a rename changes no time or size).
  void Renamed(const QString& Folder, const QString& From, const QString& To);
  // The file Name in Folder was replaced by Bytes bytes of a new text; when
  // Swapped, by a new file of Permissions and one link. In a large folder
  // the entry takes that without a listing, and its time is unknown; in a
  // small one, or for a name the listing does not show once, it is listed.
  void Replaced(const QString& Folder, const QString& Name, qint64 Bytes, bool Swapped,
                int Permissions);
  // psftp made Name in Folder: a folder, or a file of Bytes bytes. In a
  // large folder the entry takes only that, its time and bits unknown; in a
  // small one it is listed.
  void Created(const QString& Folder, const QString& Name, bool IsDirectory, qint64 Bytes);
  // Lists the whole folder again, for the pages that show it.
  void Relist(const QString& Folder);

  // psftp's "ls" of one name reads the whole folder: true when that costs
  // less than a transfer of FileBytes (or a small one), or nothing is known
  // of the folder.
  static bool ListingIsCheap(const TDir* Dir, qint64 FileBytes);

 private:
  struct TLooking;
  void Answered(TLooking& Looking, const TStatOperation& Stat);
  bool Apply(const QString& Folder, const TStatOperation& Stat);
  void Show(const QString& Folder);

  IConversation& FDriver;
};

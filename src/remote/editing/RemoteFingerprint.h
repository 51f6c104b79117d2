#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "remote/listing/ListedTime.h"
#include "remote/local/FileHash.h"

class TFile;

// What a page last saw of its remote file, to tell later whether someone
// else has changed that file on the server: the SHA-256 of the bytes it
// downloaded or uploaded, and the size and time a listing gave for them.
//
// psftp has no "stat"; an "ls" line gives the size and the time to the
// minute only. Equal listing data proves nothing on its own: a change made
// within the same minute, with the same size, lists the same. It proves
// something once the listed time lay well before the listing was made: any
// later change then sets a later time, which lists differently. Until then
// only the bytes themselves can tell.
struct TRemoteFingerprint {
  // The remote path the rest describes.
  QByteArray RemotePath;
  // Null when the page holds nothing that came from the server. It may
  // still be being computed: whoever compares it waits for it.
  TFileHash Sha256;
  // How many bytes those were; -1 when not known. A regular file that lists
  // another size holds other bytes for certain.
  qint64 Bytes = -1;
  // From a listing line of the file; -1 and invalid when none was seen.
  qint64 ListedSize = -1;
  TListedTime ListedTime;
  // A change after that listing would list differently (see above).
  bool ListingSettled = false;

  // The bytes of RemotePath were seen.
  bool Describes(const QByteArray& Path) const { return SawBytes() && RemotePath == Path; }
  // The listing data alone can tell whether the file changed since.
  bool ListingTells() const { return SawBytes() && ListingSettled; }
  // A listed size can prove a change (never the absence of one): the size of
  // the bytes seen is known.
  bool SizeTells() const { return SawBytes() && Bytes >= 0; }
  bool ListingMatches(qint64 Size, TListedTime Time) const {
    return ListedSize == Size && ListedTime == Time && Time.IsValid();
  }
  // Takes the listing data of a line listed at ListedAt. A link's own line
  // says nothing of the file it leads to, so it settles nothing.
  void SetListing(qint64 Size, TListedTime Time, bool IsLink, const QDateTime& ListedAt);
  void SetListing(const TFile& Entry, const QDateTime& ListedAt);

  // Whether a time listed at ListedAt lay far enough before it that any
  // later change lists as a later time. Two days cover the time zones of
  // server and client, which the listing does not name, and a clock that is
  // somewhat off.
  static bool Settles(TListedTime Time, const QDateTime& ListedAt);

 private:
  // Bytes were seen, unless their local copy turned out unreadable.
  bool SawBytes() const {
    return !Sha256.IsNull() && (!Sha256.Ready() || !Sha256.Digest().isEmpty());
  }
};

#pragma once
#include <QDateTime>
#include <QHash>
#include <QString>
#include <deque>
#include <memory>
#include <vector>

#include "remote/listing/File.h"

// One listed remote directory; owns its entries.
class TDir {
 public:
  TDir();
  ~TDir();
  TDir(const TDir&) = delete;
  TDir& operator=(const TDir&) = delete;

  // Takes the entry in; the directory keeps its own copy, which Files() hands
  // out. Owner is the owner's name the listing gave, empty for none; each
  // name is kept once, as a directory's entries share a few owners.
  void AddFile(std::unique_ptr<TFile> File, const QString& Owner = QString());
  // The owner's name the listing gave for one of its entries; empty for none.
  QString Owner(const TFile& File) const;
  // The entry whose name is RemoteName; null when there is none, or more
  // than one (psftp shows two names alike when they differ only in control
  // characters).
  const TFile* FindNamed(const QString& RemoteName) const;
  void Clear();
  // What a listing of the one name RemoteName showed: the entries of that
  // name are now Entries (none when it showed none), each put in its sorted
  // place without a new sort. ListedAt is when that listing was made; it is
  // what those entries' times are read against (see ListedAt(const TFile&)).
  // Entries of another name are ignored.
  struct TListed {
    std::unique_ptr<TFile> File;
    QString Owner;
  };
  void Update(const QString& RemoteName, std::vector<TListed> Entries, const QDateTime& ListedAt);
  // Removes the entries named RemoteName, as a removal on the server that
  // psftp confirmed did; returns how many there were.
  int Remove(const QString& RemoteName);
  // Takes Other's entries in place of its own (Other gets these): a
  // directory that pages show is refilled without a new object.
  void SwapEntries(TDir& Other);
  // Directories first, then by short name, ASCII case-insensitive. An entry's
  // kind is taken when it is added.
  void Sort();
  int Count() const;
  // How many entries show RemoteName: psftp strips control characters from
  // the names it lists, so two files can show one name.
  int CountNamed(const QString& RemoteName) const;
  const QString& Name() const { return FName; }
  void SetName(const QString& Value) { FName = Value; }
  // When the entries were listed, by this computer's clock: what their
  // listed times can tell depends on it (see TRemoteFingerprint).
  const QDateTime& ListedAt() const { return FListedAt; }
  void SetListedAt(const QDateTime& Value) { FListedAt = Value; }
  // When File's own line was listed: later than ListedAt() for an entry that
  // a listing of its one name has updated since.
  QDateTime ListedAt(const TFile& File) const;
  TFile* Files(int Index) const;

 private:
  // The sort key of each entry, made when it is added, while the entry is
  // still in the processor's cache: sorting a large directory then never
  // reaches back into the entries themselves. The keys are what is sorted;
  // the entries stay where they were added, so freeing them on a relisting
  // walks memory in the order it was allocated. The entries are held in
  // blocks rather than one allocation each, and the key packs eight units:
  // a directory of tens of thousands of entries costs little more than its
  // listing's text.
  struct TSortKey {
    quint64 Prefix[2];  // the first eight folded code units, packed
    quint32 Start;      // of the folded short name in FKeyUnits
    quint32 Length;
    quint32 Index;  // into FFiles
    quint32 IsDirectory;
  };

  quint16 OwnerIndexOf(const QString& Owner);
  // Appends the folded short name's units to FKeyUnits.
  TSortKey MakeKey(QStringView ShortName, bool IsDirectory, quint32 Index) const;
  bool KeyLess(const TSortKey& A, const TSortKey& B) const;
  // The places in FKeys of the entries named RemoteName, in order.
  std::vector<size_t> PlacesOf(const QString& RemoteName) const;
  void RemoveAt(size_t Place);
  void Insert(std::unique_ptr<TFile> File, const QString& Owner, const QDateTime& ListedAt);
  bool Alive(size_t Index) const { return Index >= FDead.size() || !FDead[Index]; }

  std::deque<TFile> FFiles;  // in the order added; their addresses never move
  // The entries of FFiles that an update removed (empty until one did); they
  // stay in place, unlisted, until the next listing replaces them all.
  std::vector<bool> FDead;
  // When the entries an update put in were listed.
  QHash<const TFile*, QDateTime> FUpdatedAt;
  // FKeys is in display order (Sort ran since the last AddFile).
  bool FSorted = true;
  QString FName;
  QDateTime FListedAt;
  std::vector<TSortKey> FKeys;  // in display order
  // A lookup appends its probe's units for a moment, and takes them off.
  mutable std::vector<char16_t> FKeyUnits;
  // The owners' names; an entry holds its owner's place here, plus one.
  std::vector<QString> FOwners;
  QHash<QString, quint16> FOwnerIndex;
};

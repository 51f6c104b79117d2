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

  std::deque<TFile> FFiles;  // in the order added; their addresses never move
  QString FName;
  QDateTime FListedAt;
  std::vector<TSortKey> FKeys;  // in display order
  std::vector<char16_t> FKeyUnits;
  // The owners' names; an entry holds its owner's place here, plus one.
  std::vector<QString> FOwners;
  QHash<QString, quint16> FOwnerIndex;
};

#pragma once
#include <QString>
#include <QStringView>

#include "remote/listing/ListedTime.h"

// The part of a remote name after its last "/" or "\"; the whole name without either.
QString ExtractShortName(const QString& Name);
// The same part, without copying (the sort of large directories needs it).
QStringView ExtractShortNameView(QStringView Name);

// One entry of a remote directory listing.
class TFile {
 public:
  explicit TFile(const QString& ARemoteName);

  bool IsDirectory() const { return FIsDirectory; }
  void SetIsDirectory(bool Value) { FIsDirectory = Value; }
  // A symbolic link, listed among the files; it may lead to a directory.
  bool IsLink() const { return FIsLink; }
  void SetIsLink(bool Value) { FIsLink = Value; }
  // The size the listing gave, in bytes; -1 when it gave none.
  qint64 Size() const { return FSize; }
  void SetSize(qint64 Value) { FSize = Value; }
  // The modification time the listing gave; invalid when it gave none.
  TListedTime ListedTime() const { return FListedTime; }
  void SetListedTime(TListedTime Value) { FListedTime = Value; }
  // The permission bits the listing gave (07777); -1 when it gave none.
  int Permissions() const { return FPermissions; }
  void SetPermissions(int Value) { FPermissions = qint16(Value >= 0 ? Value & 07777 : -1); }
  // The link count the listing gave; 0 when it gave none. Counts past 65535
  // are kept as 65535: what matters is whether there is more than one.
  int Links() const { return FLinks; }
  void SetLinks(int Value) { FLinks = quint16(qBound(0, Value, 0xFFFF)); }
  // Where the owner's name stands in its directory's table (TDir::Owner);
  // 0 when the listing named none. Set by the directory that takes it.
  quint16 OwnerIndex() const { return FOwnerIndex; }
  void SetOwnerIndex(quint16 Value) { FOwnerIndex = Value; }
  const QString& RemoteName() const { return FRemoteName; }
  QString RemoteShortName() const;
  // Classified once from the name's extension and remembered.
  bool IsBinaryFile() const;
  bool IsTextFile() const;
  // Whether opening it asks first whether a binary file is meant: its
  // extension (case as it is) is found in ".exe.png.gif.jpg.jpeg.dll.bmp".
  // A deliberately loose test, so even "x.e" or "x." asks; ".." never does.
  bool MayBeBinary() const;

 private:
  bool FIsDirectory = false;
  bool FIsLink = false;
  qint16 FPermissions = -1;  // these three fill the room before FSize
  quint16 FLinks = 0;
  quint16 FOwnerIndex = 0;
  qint64 FSize = -1;
  QString FRemoteName;
  mutable bool FIsBinaryFile = false;
  mutable bool FIsBinaryFileHasBeenStored = false;
  mutable bool FIsTextFile = false;
  mutable bool FIsTextFileHasBeenStored = false;
  TListedTime FListedTime;  // fills the room the flags above leave
};

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
  qint64 FSize = -1;
  QString FRemoteName;
  mutable bool FIsBinaryFile = false;
  mutable bool FIsBinaryFileHasBeenStored = false;
  mutable bool FIsTextFile = false;
  mutable bool FIsTextFileHasBeenStored = false;
  TListedTime FListedTime;  // fills the room the flags above leave
};

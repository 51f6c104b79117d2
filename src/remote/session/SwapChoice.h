#pragma once

#include <QByteArray>
#include <QString>

class TDirectories;

// How a save writes its file, from what the cached listing of the file's
// folder shows of it. A copy swapped in beside the file is a new file: it has
// its own inode, its owner is the user logged in, and a symbolic link or a
// second hard link to the old file would not lead to it. So the swap is made
// only when it keeps what the file is; otherwise the file is written in
// place, as psftp's "put" does, which keeps all of that but cuts the file
// short if the upload breaks off.
class TSwapChoice {
 public:
  enum class TWay {
    Swap,     // a copy beside it, given Permissions, takes its name
    InPlace,  // "put" to the file itself; Why says why
    New,      // the listing does not show it: "put" creates it
  };

  // Target: the remote path the save writes; UserName: the user psftp logs
  // in with.
  static TSwapChoice For(const QByteArray& Target, const TDirectories& Directories,
                         const QByteArray& UserName);

  TWay Way() const { return FWay; }
  // For a swap: the bits the new copy is given before it takes the name.
  int Permissions() const { return FPermissions; }
  // For a write in place: why, for the debug log.
  const QString& Why() const { return FWhy; }

 private:
  TSwapChoice(TWay Way, int Permissions, const QString& Why)
      : FWay(Way), FPermissions(Permissions), FWhy(Why) {}
  static TSwapChoice InPlace(const QString& Why) { return {TWay::InPlace, -1, Why}; }

  TWay FWay;
  int FPermissions;
  QString FWhy;
};

#pragma once

#include <QByteArray>
#include <QString>

#include "remote/session/ConnectValues.h"
#include "remote/session/HostKeyRequest.h"

class IPage;
class TDir;

// What the connection driver tells the window. The window asks the user its
// questions before it calls the driver and passes the answers in; the driver
// only reports what happened, and raises psftp's own questions (host key,
// password), which the window answers later through the driver's Answer...
// calls. What transfers mean for pages goes to an ITransferListener instead.
// The main window implements it; tests implement it with fakes.
class IDriverView {
 public:
  virtual ~IDriverView() = default;

  // psftp has logged in (Connected) or has ended.
  virtual void ConnectionChanged(bool Connected, const QString& HostName) = 0;
  // What the connection is doing or last did, in plain words; Detail is
  // psftp's own line behind it (empty when there is none).
  virtual void MessageChanged(const QString& Text, const QString& Detail) = 0;
  // psftp's current remote directory.
  virtual void FolderChanged(const QString& Path) = 0;
  // A change of directory or a download is under way.
  virtual void BusyChanged(bool Busy) = 0;
  // Page asked for the listing of Dir, which has now been filled; Page is
  // null when its tab has closed. Every page that shows Dir shows it anew.
  virtual void DirectoryListed(IPage* Page, TDir* Dir) = 0;
  // The debug log: a command as written (Command), or one line of its own.
  enum class TLog { Command, Line };
  virtual void Log(TLog Kind, const QString& Text) = 0;
  // Something the user must read now: Text in plain words, Detail psftp's
  // own message (empty when there is none).
  virtual void Inform(const QString& Text, const QString& Detail) = 0;
  // psftp's questions; the window must not block here.
  virtual void AskHostKey(const THostKeyRequest& Request) = 0;
  virtual void AskPassword(const TPasswordRequest& Request) = 0;
};

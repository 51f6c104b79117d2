#pragma once

#include <QByteArray>
#include <QString>

#include "remote/editing/RemoteCheck.h"
#include "remote/session/HostKeyRequest.h"

class IPage;
class TDir;

// What the user chose in the connect dialog.
struct TConnectValues {
  QByteArray HostName;
  QByteArray UserName;
  QByteArray Password;
  QByteArray StartingDir;
  int Port = 22;
  // A private key to log in with (PuTTY's .ppk or OpenSSH's own form);
  // empty to leave it to the SSH agent or the password.
  QString PrivateKeyFile;
};

// What the connection driver tells the window. The window asks the user its
// questions before it calls the driver and passes the answers in; the driver
// only reports what happened, and raises psftp's own questions (host key,
// password), which the window answers later through the driver's Answer...
// calls. The main window implements it; tests implement it with fakes.
class IDriverView {
 public:
  virtual ~IDriverView() = default;

  // psftp has logged in (Connected) or has ended.
  virtual void ConnectionChanged(bool Connected, const QString& HostName) = 0;
  // Panel of the status bar shows Text; Detail is psftp's own line behind a
  // text put in plain words (empty when there is none).
  virtual void StatusChanged(const QString& Text, int Panel, const QString& Detail) = 0;
  // A change of directory or a download is under way.
  virtual void BusyChanged(bool Busy) = 0;
  // Page asked for the listing of Dir, which has now been filled; Page is
  // null when its tab has closed. Every page that shows Dir shows it anew.
  virtual void DirectoryListed(IPage* Page, TDir* Dir) = 0;
  // The file Page asked for has arrived whole at LocalPath.
  virtual void FileDownloaded(IPage* Page, const QString& LocalPath,
                              const QByteArray& RemotePath) = 0;
  // The server has taken Page's own text.
  virtual void FileUploaded(IPage* Page) = 0;
  // The check of Page's remote file that TConnectionDriver::Check began is
  // done; Page is never null.
  virtual void RemoteChecked(IPage* Page, const TRemoteCheck& Check) = 0;
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

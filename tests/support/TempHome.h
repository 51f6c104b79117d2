#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

// Points HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR at a fresh temporary folder
// for the life of the object, so tests never touch the real user's files
// (psftp keeps its host-key cache under $HOME/.putty). Restores them after.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  QString Path() const { return FDir.path(); }
  QString ConfigHome() const { return FDir.path() + "/config"; }
  QString CacheHome() const { return FDir.path() + "/cache"; }
  QString RuntimeDir() const { return FDir.path() + "/xdg-runtime"; }
  // The files below the home whose bytes hold Secret: what a process killed
  // now would leave behind for anyone who reads the disk later.
  QStringList FilesHolding(const QByteArray& Secret) const;

 private:
  QTemporaryDir FDir;
  std::map<QByteArray, QByteArray> FSaved;
  std::map<QByteArray, bool> FWasSet;
};

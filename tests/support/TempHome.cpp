#include "TempHome.h"

#include <QDirIterator>
#include <QFile>

#include <QDir>

namespace {
// psftp finds its host-key cache through the password database, not HOME:
// PUTTYDIR is what moves it, so that no test trusts a key another one stored.
// XDG_RUNTIME_DIR holds the socket a running Quillery takes links at: a
// test's own, so that no link reaches the user's Quillery.
const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "PUTTYDIR",
                                  "XDG_RUNTIME_DIR"};
}  // namespace

TempHome::TempHome() {
  for (const char* name : kVariables) {
    FWasSet[name] = qEnvironmentVariableIsSet(name);
    FSaved[name] = qgetenv(name);
  }
  QDir().mkpath(ConfigHome());
  QDir().mkpath(CacheHome());
  qputenv("HOME", Path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", ConfigHome().toLocal8Bit());
  qputenv("XDG_CACHE_HOME", CacheHome().toLocal8Bit());
  qputenv("PUTTYDIR", (Path() + "/.putty").toLocal8Bit());
  QDir().mkpath(RuntimeDir());
  QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", RuntimeDir().toLocal8Bit());
}

TempHome::~TempHome() {
  for (const char* name : kVariables) {
    if (FWasSet[name])
      qputenv(name, FSaved[name]);
    else
      qunsetenv(name);
  }
}

QStringList TempHome::FilesHolding(const QByteArray& Secret) const {
  QStringList holding;
  QDirIterator it(FDir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (file.open(QIODevice::ReadOnly) && file.readAll().contains(Secret))
      holding << file.fileName();
  }
  return holding;
}

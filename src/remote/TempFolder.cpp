#include "remote/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {
void MakePrivateFolder(const QString& path) {
  if (QDir(path).exists()) return;
  QDir().mkpath(path);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
}  // namespace

QString GetTempFolder() {
#ifdef Q_OS_WIN
  const QString folder = QCoreApplication::applicationDirPath() + "/Temp/";
#else
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty()) cache = QDir::homePath() + "/.cache";
  const QString base = cache + "/Quillery/";
  MakePrivateFolder(base);
  const QString folder = base + "Temp/";
#endif
  MakePrivateFolder(folder);
  return folder;
}

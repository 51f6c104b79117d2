#include "remote/local/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/Exception.h"

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// A folder found already there is checked, not trusted: it must be a real
// folder of the user's own, and it is made private again in case its mode
// was widened. The saved hosts' folder is made by a milder rule on purpose
// (TIniFile::MakeFolder): it lies in the configuration folder other programs
// share, and nothing there is written through a name a server chose.
void MakePrivateFolder(const QString& path) {
  QDir().mkpath(path);
#ifndef Q_OS_WIN
  struct stat st;
  const QByteArray native = QFile::encodeName(path);
  if (lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
    throw Exception(QString("The folder %1 is not a folder of your own").arg(path));
  if ((st.st_mode & 07777) != 0700 && chmod(native.constData(), 0700) != 0)
    throw Exception(QString("Unable to make the folder %1 private: %2")
                        .arg(path, QString::fromLocal8Bit(strerror(errno))));
#else
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

QString BaseFolder() {
#ifdef Q_OS_WIN
  return QCoreApplication::applicationDirPath() + "/";
#else
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty()) cache = QDir::homePath() + "/.cache";
  const QString base = cache + "/Quillery/";
  MakePrivateFolder(base);
  return base;
#endif
}
}  // namespace

QString GetTempFolder() {
  const QString folder = BaseFolder() + "Temp/";
  MakePrivateFolder(folder);
  return folder;
}

QString LocalNameFor(const QString& RemoteName) {
  QString name = RemoteName;
  name.replace(u'/', u'_');
#ifdef Q_OS_WIN
  name.replace(u'\\', u'_');
#endif
  if (name.isEmpty() || name == "." || name == "..") name = "_" + name;
  return name;
}

// Named at random, so no page can be handed a folder another page of this or
// an earlier run still holds.
QString NewPageFolder() {
  const QString temp = GetTempFolder();
  for (;;) {
    const QString name =
        QString("page-%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QChar('0'));
    if (!QDir(temp).mkdir(name)) {
      if (QFileInfo::exists(temp + name)) continue;
      throw Exception(QString("Unable to create a folder in %1").arg(temp));
    }
    MakePrivateFolder(temp + name);
    return temp + name + "/";
  }
}

QString SaveAsLocalPath(const QString& Folder, const QString& Name) {
  const QStringList parts = QDir::fromNativeSeparators(Name).split('/');
  if (Name.trimmed().isEmpty() || QDir::isAbsolutePath(Name) || parts.contains("..") ||
      parts.last().isEmpty())
    throw Exception(QString("\"%1\" is not a file name inside the download folder").arg(Name));
  const QString path = Folder + QDir::fromNativeSeparators(Name);
  QDir().mkpath(QFileInfo(path).absolutePath());
  return path;
}

void CheckLocalTarget(const QString& Path) {
#ifndef Q_OS_WIN
  struct stat st;
  if (lstat(QFile::encodeName(Path).constData(), &st) != 0) return;  // not there yet
  QString why;
  if (S_ISLNK(st.st_mode))
    why = "it is a link";
  else if (!S_ISREG(st.st_mode))
    why = "it is not a regular file";
  else if (st.st_uid != geteuid())
    why = "it belongs to another user";
  if (!why.isEmpty()) throw Exception(QString("Refusing to write %1: %2").arg(Path, why));
#else
  const QFileInfo info(Path);
  if (info.isSymLink() || (info.exists() && !info.isFile()))
    throw Exception(QString("Refusing to write %1: it is not a regular file").arg(Path));
#endif
}

void ReplaceFile(const QString& From, const QString& To) {
#ifdef Q_OS_WIN
  QFile::remove(To);
#endif
  if (std::rename(QFile::encodeName(From).constData(), QFile::encodeName(To).constData()) != 0)
    throw Exception(QString("Unable to move the download to %1: %2")
                        .arg(To, QString::fromLocal8Bit(strerror(errno))));
}

// Work files live beside the download folder, not in it, so that no
// downloaded file can be taken for one; on the same disk, so that a finished
// download is moved into place, not copied.
QString WorkFolder() {
  const QString folder = BaseFolder() + "Work/";
  MakePrivateFolder(folder);
  return folder;
}

QString KeysFolder() {
  const QString folder = BaseFolder() + "Keys/";
  MakePrivateFolder(folder);
  return folder;
}

QString WorkFilePrefix(const QString& Kind) {
  return WorkFolder() + Kind + QString::number(QCoreApplication::applicationPid()) + "-";
}

QString NewWorkFile(const QString& Kind) {
  return WorkFilePrefix(Kind) +
         QString::number(QRandomGenerator::system()->generate64(), 36).rightJustified(13, u'0');
}

// A work file is named after the process that made it, so a second Quillery
// running beside this one keeps its own.
void RemoveStaleWorkFiles() {
  QDir folder(WorkFolder());
  const QStringList names =
      folder.entryList({"pw-*", ".get-*", ".key-*"}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    const QString rest = name.mid(name.indexOf('-') + 1);
    bool ok = false;
    const qint64 pid = rest.left(rest.indexOf('-')).toLongLong(&ok);
#ifndef Q_OS_WIN
    if (!ok || pid <= 0 || kill(pid_t(pid), 0) == 0 || errno == EPERM) continue;
#else
    if (!ok || pid == QCoreApplication::applicationPid()) continue;
#endif
    folder.remove(name);
  }
}

#include "remote/PsftpProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString PsftpProgramFile() {
#ifdef Q_OS_WIN
  const QString name = "psftp.exe";
#else
  const QString name = "psftp";
#endif
  const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
  if (QFileInfo(beside).isFile()) return beside;
  const QString onPath = QStandardPaths::findExecutable(name);
  return onPath.isEmpty() ? beside : onPath;
}

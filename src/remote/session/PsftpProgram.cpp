#include "remote/session/PsftpProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString ProgramFile(QString name) {
#ifdef Q_OS_WIN
  name += ".exe";
#endif
  const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
  if (QFileInfo(beside).isFile()) return beside;
  const QString onPath = QStandardPaths::findExecutable(name);
  return onPath.isEmpty() ? beside : onPath;
}
}  // namespace

QString PsftpProgramFile() { return ProgramFile("psftp"); }

QString PuttygenProgramFile() { return ProgramFile("puttygen"); }

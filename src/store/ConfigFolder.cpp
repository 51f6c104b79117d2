#include "store/ConfigFolder.h"

#include <QDir>
#include <QStandardPaths>

QString UserConfigFolder() {
#ifdef Q_OS_WIN
  const QString appData = qEnvironmentVariable("APPDATA");
  if (!appData.isEmpty()) return QDir::fromNativeSeparators(appData);
#endif
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

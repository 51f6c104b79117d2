#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/Servers.h"

// The saved hosts' file as bytes, for tests that check what is written there
// to the byte, or start from a file an older version wrote.
inline void WriteServersIni(const QByteArray& Text) {
  QDir().mkpath(QFileInfo(TServers::FileName()).path());
  QFile file(TServers::FileName());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Text);
}

// Empty when there is no file.
inline QByteArray ServersIni() {
  QFile file(TServers::FileName());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

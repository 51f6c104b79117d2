#include "TestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TestServer::TestServer() = default;

TestServer::~TestServer() { Stop(); }

void TestServer::WriteFile(const QString& RemotePath, const QByteArray& Bytes) const {
  const QString path = Served(RemotePath);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    ADD_FAILURE() << "cannot write " << path.toStdString();
  file.write(Bytes);
}

QByteArray TestServer::ReadFile(const QString& RemotePath) const {
  QFile file(Served(RemotePath));
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

bool TestServer::Start() {
  WriteFile("/www/index.html", "<html><body>Caf&eacute; &amp; more</body></html>\n");
  WriteFile("/www/style.css", "body { color: red; }\n");
  WriteFile("/www/app.js", "function f() { return 1; }\n");
  WriteFile("/www/notes.txt", "first line\nsecond line\n");
  WriteFile("/www/my notes.txt", "notes with a blank in the name\n");
  WriteFile(QString::fromUtf8("/www/café+(1).txt"), "odd name\n");
  WriteFile("/www/sub/inner.txt", "inside\n");

  QStringList args{QStringLiteral(QUILLERY_TEST_SERVER), "--root", Root(), "--user", User(),
                   "--password", Password()};
  for (const QString& glob : FDeny) args << "--deny" << glob;
  if (!FHostKeyFile.isEmpty()) args << "--host-key" << FHostKeyFile;
  if (FRequestedPort) args << "--port" << QString::number(FRequestedPort);
  FProcess.setProcessChannelMode(QProcess::SeparateChannels);
  FProcess.start("/usr/bin/python3", args);
  if (!FProcess.waitForStarted(10000)) {
    ADD_FAILURE() << "test server did not start: " << FProcess.errorString().toStdString();
    return false;
  }
  QDeadlineTimer deadline(20000);
  QByteArray out;
  while (!deadline.hasExpired()) {
    if (!FProcess.waitForReadyRead(200) && FProcess.state() != QProcess::Running) break;
    out += FProcess.readAllStandardOutput();
    const int at = out.indexOf("PORT ");
    const int end = out.indexOf('\n', at);
    if (at >= 0 && end > at) {
      FPort = out.mid(at + 5, end - at - 5).trimmed().toInt();
      return FPort > 0;
    }
  }
  ADD_FAILURE() << "test server gave no port; stderr: "
                << FProcess.readAllStandardError().toStdString();
  return false;
}

void TestServer::Stop() {
  if (FProcess.state() == QProcess::NotRunning) return;
  FProcess.closeWriteChannel();  // the server ends when its standard input closes
  if (!FProcess.waitForFinished(5000)) {
    FProcess.kill();
    FProcess.waitForFinished(5000);
  }
}

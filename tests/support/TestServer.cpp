#include "TestServer.h"

#include "WaitFor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <signal.h>

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

void TestServer::SetListing(const QString& RemotePath, const QStringList& LongNames) {
  QDir().mkpath(Served(RemotePath));
  const QString file = FOwnFiles.filePath(QString("listing%1.txt").arg(FListings.size()));
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
    ADD_FAILURE() << "cannot write " << file.toStdString();
  for (const QString& line : LongNames) out.write(line.toUtf8() + "\n");
  FListings << RemotePath + "=" + file;
}

void TestServer::Pause() {
  if (FProcess.state() == QProcess::Running && ::kill(pid_t(FProcess.processId()), SIGSTOP) == 0)
    FPaused = true;
}

void TestServer::Resume() {
  if (FPaused) ::kill(pid_t(FProcess.processId()), SIGCONT);
  FPaused = false;
}

bool TestServer::Start() {
  WriteFile("/www/index.html", "<html><body>Caf&eacute; &amp; more</body></html>\n");
  WriteFile("/www/style.css", "body { color: red; }\n");
  WriteFile("/www/app.js", "function f() { return 1; }\n");
  WriteFile("/www/notes.txt", "first line\nsecond line\n");
  WriteFile("/www/my notes.txt", "notes with a blank in the name\n");
  WriteFile(QString::fromUtf8("/www/café+(1).txt"), "odd name\n");
  WriteFile("/www/sub/inner.txt", "inside\n");

  QStringList args{QStringLiteral(QUILLERY_TEST_SERVER),
                   "--root",
                   Root(),
                   "--user",
                   User(),
                   "--password",
                   Password()};
  for (const QString& glob : FDeny) args << "--deny" << glob;
  if (!FHostKeyFile.isEmpty()) args << "--host-key" << FHostKeyFile;
  if (FRequestedPort) args << "--port" << QString::number(FRequestedPort);
  for (const QString& limit : FFailRead) args << "--fail-read-after" << limit;
  for (const QString& limit : FFailWrite) args << "--fail-write-after" << limit;
  for (const QString& limit : FStallRead) args << "--stall-read-after" << limit;
  for (const QString& limit : FHoldRead) args << "--hold-read-after" << limit;
  for (const QString& limit : FHoldWrite) args << "--hold-write-after" << limit;
  if (!FHoldRead.isEmpty() || !FHoldWrite.isEmpty())
    args << "--release-file" << FOwnFiles.filePath("release");
  if (FDropAfterRequests) args << "--drop-after-requests" << QString::number(FDropAfterRequests);
  if (FDropAfterLogin) args << "--drop-after-login";
  for (const QString& glob : FDropAfterChange) args << "--drop-after-change" << glob;
  for (const QString& glob : FFailRename) args << "--fail-rename" << glob;
  for (const QString& glob : FFailChmod) args << "--fail-chmod" << glob;
  for (const QString& listing : FListings) args << "--listing" << listing;
  for (const QString& key : FAuthorizedKeys) args << "--authorized-key" << key;
  if (FForwarding) args << "--forward-log" << FOwnFiles.filePath("forwarded");
  if (!FBanner.isEmpty()) {
    QFile banner(FOwnFiles.filePath("banner"));
    if (banner.open(QIODevice::WriteOnly)) banner.write(FBanner);
    args << "--banner" << banner.fileName();
  }
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
      const int key = out.indexOf("HOSTKEY ");
      if (key >= 0)
        FHostKeyFingerprint = out.mid(key + 8, out.indexOf('\n', key) - key - 8).trimmed();
      return FPort > 0;
    }
  }
  ADD_FAILURE() << "test server gave no port; stderr: "
                << FProcess.readAllStandardError().toStdString();
  return false;
}

void TestServer::Stop() {
  if (FProcess.state() == QProcess::NotRunning) return;
  Resume();                      // a stopped server would never see its standard input close
  FProcess.closeWriteChannel();  // the server ends when its standard input closes
  if (!FProcess.waitForFinished(5000)) {
    FProcess.kill();
    FProcess.waitForFinished(5000);
  }
}

bool TestServer::WaitUntilHeld(int TimeoutMs) const {
  const QString marker = FOwnFiles.filePath("release.held");
  return WaitFor([&] { return QFile::exists(marker); }, TimeoutMs);
}

void TestServer::ReleaseHeld() const {
  QFile release(FOwnFiles.filePath("release"));
  release.open(QIODevice::WriteOnly);
}

QStringList TestServer::Forwarded() const {
  QFile log(FOwnFiles.filePath("forwarded"));
  if (!log.open(QIODevice::ReadOnly)) return QStringList();
  return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

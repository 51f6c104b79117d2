#pragma once
// psftp on its own, logged in to the loopback server and kept connected,
// driven a command at a time: the yardstick the driver's figures are taken
// against. The host key is given, not asked for.
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <algorithm>

class TPsftpAlone {
 public:
  // Starts psftp and waits for its first prompt; false when it gives none.
  bool Start(int Port, const QString& HostKey, const QString& User, const QString& PasswordFile) {
    FProcess.start("psftp", {"-P", QString::number(Port), "-pwfile", PasswordFile, "-l", User,
                             "-hostkey", HostKey, "127.0.0.1"});
    return WaitPrompts(1);
  }
  ~TPsftpAlone() {
    if (FProcess.state() == QProcess::NotRunning) return;
    FProcess.write("bye\n");
    if (!FProcess.waitForFinished(10000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }
  // Milliseconds from writing Commands to the Prompts-th prompt after them;
  // negative when psftp stopped answering.
  double Run(const QByteArray& Commands, int Prompts = 1) {
    FOutput.clear();
    FSeen = 0;
    QElapsedTimer clock;
    clock.start();
    FProcess.write(Commands);
    if (!WaitPrompts(Prompts)) return -1;
    return double(clock.nsecsElapsed()) / 1e6;
  }
  const QByteArray& Output() const { return FOutput; }

 private:
  bool WaitPrompts(int Count) {
    int found = 0;
    while (true) {
      for (qsizetype at; (at = FOutput.indexOf("psftp> ", FSeen)) >= 0;) {
        FSeen = at + 7;
        if (++found == Count) return true;
      }
      FSeen = std::max<qsizetype>(FSeen, FOutput.size() - 6);
      if (!FProcess.waitForReadyRead(120000)) return false;
      FOutput += FProcess.readAllStandardOutput();
    }
  }

  QProcess FProcess;
  QByteArray FOutput;
  qsizetype FSeen = 0;
};

#pragma once
// The two servers the window benches run against, each serving a folder of
// this computer: the tests' loopback server (tests/server/sftp_server.py, a
// Python asyncssh server, slow enough to hide the driver's own costs) and an
// OpenSSH sshd of the bench's own, unprivileged in all but its user, on a
// free loopback port with a throwaway host key and authorized key in a
// temporary folder. Header-only: each bench is one source file.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace BenchServers {

[[noreturn]] inline void Die(const QString& Why) {
  std::fprintf(stderr, "bench: %s\n", qPrintable(Why));
  std::fflush(stderr);
  std::_Exit(1);
}

// What a client needs to log in, and where the served folder is.
struct TServer {
  virtual ~TServer() = default;
  QString Name;  // for the table: "loopback" or "OpenSSH"
  int Port = 0;
  QString HostKey;  // "SHA256:...", for psftp's -hostkey
  QByteArray User;
  QByteArray Password;  // empty: log in with the key
  QString PrivateKey;   // OpenSSH's form, for the window (it converts it itself)
  QString PuttyKey;     // the same key as a .ppk, for psftp alone
  QString Base;         // the served folder's path as the server names it

  // psftp's arguments to log in to this server (to which the host is added).
  QStringList PsftpArguments(const QString& PasswordFile) const {
    QStringList arguments{"-batch", "-P", QString::number(Port),  "-hostkey",
                          HostKey,  "-l", QString::fromUtf8(User)};
    if (Password.isEmpty())
      arguments << "-i" << PuttyKey;
    else
      arguments << "-pwfile" << PasswordFile;
    return arguments << "127.0.0.1";
  }
};

inline QString Run(const QString& Program, const QStringList& Arguments) {
  QProcess process;
  process.start(Program, Arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0)
    Die(Program + " " + Arguments.join(' ') + " failed: " + process.readAllStandardError());
  return QString::fromUtf8(process.readAllStandardOutput());
}

// A port of the loopback address that nothing uses now.
inline int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    Die("no free port");
  close(fd);
  return ntohs(address.sin_port);
}

// Whether a socket listens on 127.0.0.1:Port, from the kernel's table (a
// test connection would be logged by sshd as a client that went away).
inline bool Listens(int Port) {
  QFile table("/proc/net/tcp");
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray local =
      "0100007F:" + QByteArray::number(Port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;
  }
  return false;
}

// The tests' loopback server, with its user and password.
class TLoopbackServer : public TServer {
 public:
  explicit TLoopbackServer(const QString& Root) {
    Name = "loopback";
    User = "tester";
    Password = "secret";
    // Run from BUILD/bench, BUILD being a folder of the source tree: a
    // compiler cache may turn __FILE__ into a path relative to the build.
    const QString script =
        QCoreApplication::applicationDirPath() + "/../../tests/server/sftp_server.py";
    FProcess.start("/usr/bin/python3", {script, "--root", Root, "--user", QString(User),
                                        "--password", QString(Password)});
    if (!FProcess.waitForStarted(10000)) Die("the loopback server did not start");
    QByteArray out;
    while (FProcess.waitForReadyRead(20000)) {
      out += FProcess.readAllStandardOutput();
      const qsizetype key = out.indexOf("HOSTKEY ");
      const qsizetype at = out.indexOf("PORT ");
      if (key < 0 || at < 0 || out.indexOf('\n', at) < 0) continue;
      HostKey = out.mid(key + 8, out.indexOf('\n', key) - key - 8).trimmed();
      Port = out.mid(at + 5, out.indexOf('\n', at) - at - 5).trimmed().toInt();
      return;
    }
    Die("the loopback server gave no port; " + FProcess.readAllStandardError());
  }
  ~TLoopbackServer() override {
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(5000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }

 private:
  QProcess FProcess;
};

// OpenSSH's sshd serving the whole file system to the user running the
// bench, who logs in with a key made for the run. Debian's openssh-server
// (scripts/deps.sh) provides it; as root, sshd wants its privilege
// separation folder, which the system's own start would have made.
class TOpenSshServer : public TServer {
 public:
  explicit TOpenSshServer(const QString& Root) {
    Name = "OpenSSH";
    Base = Root;
    if (!FDir.isValid()) Die("no temporary folder");
    const QString sshd = "/usr/sbin/sshd";
    if (!QFileInfo::exists(sshd)) Die(sshd + " is missing (Debian package openssh-server)");
    if (geteuid() == 0) QDir().mkpath("/run/sshd");
    const QString hostKey = FDir.filePath("host_ed25519");
    PrivateKey = FDir.filePath("user_ed25519");
    PuttyKey = FDir.filePath("user.ppk");
    for (const QString& key : {hostKey, PrivateKey})
      Run("/usr/bin/ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-C", "bench", "-f", key});
    Run("/usr/bin/puttygen", {PrivateKey, "-O", "private", "-o", PuttyKey});
    HostKey = Run("/usr/bin/ssh-keygen", {"-l", "-f", hostKey + ".pub"}).section(' ', 1, 1);
    User = qgetenv("USER").isEmpty() ? QByteArray("root") : qgetenv("USER");
    if (geteuid() != 0) User = Run("/usr/bin/id", {"-un"}).trimmed().toUtf8();
    Port = FreePort();
    const QString config = FDir.filePath("sshd_config");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) Die("cannot write " + config);
    file.write(QString("ListenAddress 127.0.0.1\nPort %1\nHostKey %2\n"
                       "AuthorizedKeysFile %3.pub\nPidFile none\nStrictModes no\nUsePAM no\n"
                       "UseDNS no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                       "PubkeyAuthentication yes\nPermitRootLogin prohibit-password\n"
                       "LogLevel ERROR\nSubsystem sftp internal-sftp\n")
                   .arg(Port)
                   .arg(hostKey, PrivateKey)
                   .toUtf8());
    file.close();
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start(sshd, {"-f", config, "-D", "-e"});
    if (!FProcess.waitForStarted(10000)) Die("sshd did not start");
    for (int tries = 0; tries < 200 && FProcess.state() != QProcess::NotRunning; ++tries) {
      if (Listens(Port)) return;
      QThread::msleep(50);
    }
    Die("sshd does not listen on port " + QString::number(Port));
  }
  ~TOpenSshServer() override {
    FProcess.terminate();
    if (!FProcess.waitForFinished(5000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }

 private:
  QTemporaryDir FDir;
  QProcess FProcess;
};

}  // namespace BenchServers

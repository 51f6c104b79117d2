#include "KeyringSession.h"

#include <signal.h>

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace {
const char* const AddressVariable = "DBUS_SESSION_BUS_ADDRESS";

// Runs inside the session. The daemon forks and takes its name on the bus
// a moment later, so the script waits for the name before it says where the
// bus is and which process the daemon is; then it lives until its input
// closes. --unlock creates the login keyring (the default collection) with
// the password on its input, so storing needs no prompt.
const char* const Script = R"(
printf %s quillery | gnome-keyring-daemon --unlock --components=secrets --daemonize >/dev/null ||
  exit 1
ask() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    "org.freedesktop.DBus.$1" string:org.freedesktop.secrets 2>/dev/null
}
tries=0
until ask NameHasOwner | grep -q 'boolean true'; do
  tries=$((tries + 1))
  [ $tries -le 300 ] || exit 1
  sleep 0.1
done
pid=$(ask GetConnectionUnixProcessID | sed -n 's/.*uint32 //p')
echo "READY $pid $DBUS_SESSION_BUS_ADDRESS"
exec cat >/dev/null
)";
}  // namespace

KeyringSession::KeyringSession() {
  FWasSet = qEnvironmentVariableIsSet(AddressVariable);
  FSaved = qgetenv(AddressVariable);
  QStringList missing;
  // dbus-send comes with dbus-run-session in every Debian package that has it.
  for (const char* program : {"dbus-run-session", "gnome-keyring-daemon"}) {
    if (QStandardPaths::findExecutable(program).isEmpty()) missing << program;
  }
  if (!missing.isEmpty()) {
    FMissing = "not installed: " + missing.join(", ");
    return;
  }
  if (!Start()) {
    FFailure += "\n" + QString::fromLocal8Bit(FSession.readAllStandardError());
    return;
  }
  qputenv(AddressVariable, FAddress);
}

// Its own home, data and runtime folders keep the daemon away from the
// user's keyring; no desktop is named, so QtKeychain picks the Secret Service.
QProcessEnvironment KeyringSession::Environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                           "KDE_FULL_SESSION", "GNOME_KEYRING_CONTROL"})
    environment.remove(name);
  environment.insert("HOME", Folder());
  environment.insert("XDG_DATA_HOME", Folder() + "/data");
  environment.insert("XDG_CONFIG_HOME", Folder() + "/config");
  environment.insert("XDG_CACHE_HOME", Folder() + "/cache");
  environment.insert("XDG_RUNTIME_DIR", Folder() + "/run");
  return environment;
}

bool KeyringSession::Start() {
  QDir().mkdir(Folder() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  FSession.setProcessEnvironment(Environment());
  FSession.setWorkingDirectory(Folder());
  FSession.start("dbus-run-session", {"--", "sh", "-c", Script});
  if (!FSession.waitForStarted(10000)) {
    FFailure = "dbus-run-session did not start: " + FSession.errorString();
    return false;
  }
  QByteArray line;
  while (!line.endsWith('\n')) {
    if (!FSession.waitForReadyRead(60000)) {
      FFailure = "the keyring did not start";
      return false;
    }
    line += FSession.readAllStandardOutput();
  }
  const QList<QByteArray> words = line.trimmed().split(' ');
  if (words.size() != 3 || words[0] != "READY") {
    FFailure = "unexpected answer from the session: " + QString::fromLocal8Bit(line);
    return false;
  }
  FDaemon = words[1].toLongLong();
  FAddress = words[2];
  return true;
}

KeyringSession::~KeyringSession() {
  if (FDaemon > 0) ::kill(pid_t(FDaemon), SIGTERM);
  if (FSession.state() != QProcess::NotRunning) {
    FSession.closeWriteChannel();
    if (!FSession.waitForFinished(10000)) {
      FSession.kill();
      FSession.waitForFinished(10000);
    }
  }
  if (FWasSet)
    qputenv(AddressVariable, FSaved);
  else
    qunsetenv(AddressVariable);
}

QByteArray KeyringSession::SecretTool(const QStringList& Arguments, const QByteArray& Input,
                                      int* Code) const {
  QProcess tool;
  QProcessEnvironment environment = Environment();
  environment.insert(AddressVariable, QString::fromLocal8Bit(FAddress));
  tool.setProcessEnvironment(environment);
  tool.start("secret-tool", Arguments);
  tool.write(Input);
  tool.closeWriteChannel();
  const bool finished = tool.waitForFinished(30000);
  *Code = finished && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
  return tool.readAllStandardOutput();
}

QByteArray KeyringSession::Lookup(const QString& Service, const QString& Name) const {
  int code = 0;
  const QByteArray password =
      SecretTool({"lookup", "server", Service, "user", Name}, QByteArray(), &code);
  return code == 0 ? password : QByteArray("<none>");
}

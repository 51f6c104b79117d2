#include "store/OpenSshHosts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kMostIncludeDepth = 16;  // OpenSSH's own limit is 16 as well
constexpr int kWaitMs = 5000;

QString ExpandHome(const QString& Path) {
  if (Path == "~") return QDir::homePath();
  if (Path.startsWith("~/")) return QDir::homePath() + Path.mid(1);
  return Path;
}

// A line's keyword and its words. OpenSSH takes "Keyword value",
// "Keyword=value" and double-quoted words.
QStringList WordsOf(const QString& Line) {
  QStringList words;
  QString word;
  bool quoted = false, any = false;
  const QString text = Line.trimmed();
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c.isSpace() || (c == '=' && words.isEmpty()))) {
      if (any || !word.isEmpty()) words << word;
      word.clear();
      any = false;
    } else {
      word += c;
    }
  }
  if (any || !word.isEmpty()) words << word;
  return words;
}

void Collect(const QString& File, int Depth, QStringList& Aliases, QString* Why) {
  QFile file(File);
  if (!file.open(QIODevice::ReadOnly)) {
    if (Why && Depth == 0) *Why = File + ": " + file.errorString();
    return;
  }
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  for (const QString& line : lines) {
    const QStringList words = WordsOf(line);
    if (words.isEmpty() || words[0].startsWith('#')) continue;
    const QString keyword = words[0].toLower();
    if (keyword == "host") {
      for (const QString& name : words.mid(1))
        if (!name.contains(QRegularExpression("[*?!]")) && !Aliases.contains(name)) Aliases << name;
    } else if (keyword == "include" && Depth < kMostIncludeDepth) {
      // A relative Include is relative to ~/.ssh, and may be a glob.
      for (const QString& pattern : words.mid(1)) {
        QString path = ExpandHome(pattern);
        if (QFileInfo(path).isRelative()) path = QDir::homePath() + "/.ssh/" + path;
        const QFileInfo info(path);
        const QStringList matches =
            QDir(info.path()).entryList({info.fileName()}, QDir::Files, QDir::Name);
        for (const QString& match : matches)
          Collect(info.path() + "/" + match, Depth + 1, Aliases, Why);
      }
    }
  }
}

}  // namespace

QString TOpenSshHosts::DefaultConfigFile() { return QDir::homePath() + "/.ssh/config"; }

// ssh reads the configuration of the account's home, whatever HOME says;
// the aliases come from HOME's. Where the two differ, ssh is given the file
// the aliases came from, so that an alias means what its file says.
QString TOpenSshHosts::ConfigFileForSsh() {
  const passwd* account = getpwuid(getuid());
  if (account && QDir(QFile::decodeName(account->pw_dir)) == QDir(QDir::homePath()))
    return QString();
  return QFileInfo::exists(DefaultConfigFile()) ? DefaultConfigFile() : QString("/dev/null");
}

QStringList TOpenSshHosts::Aliases(const QString& ConfigFile, QString* Why) {
  QStringList aliases;
  Collect(ConfigFile, 0, aliases, Why);
  return aliases;
}

bool TOpenSshHosts::Resolve(const QString& Alias, THost& Host, QString& Why,
                            const QString& ConfigFile) {
  const QString ssh = QStandardPaths::findExecutable("ssh");
  if (ssh.isEmpty()) {
    Why = "ssh is not installed";
    return false;
  }
  QStringList arguments;
  const QString config = ConfigFile.isEmpty() ? ConfigFileForSsh() : ConfigFile;
  if (!config.isEmpty()) arguments << "-F" << config;
  // "--" keeps an alias that begins with "-" from being read as an option.
  arguments << "-G"
            << "--" << Alias;
  QProcess process;
  process.start(ssh, arguments);
  if (!process.waitForFinished(kWaitMs) || process.exitCode() != 0) {
    process.kill();
    Why =
        "ssh -G " + Alias + ": " + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return false;
  }
  Host = THost();
  Host.Alias = Alias;
  // One "keyword value" per line.
  for (const QString& line : QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n')) {
    const QString keyword = line.section(' ', 0, 0).toLower();
    const QString value = line.section(' ', 1);
    if (keyword == "hostname")
      Host.HostName = value;
    else if (keyword == "user")
      Host.User = value;
    else if (keyword == "port")
      Host.Port = value.toInt();
    else if (keyword == "identityfile")
      Host.IdentityFiles << ExpandHome(value);
    else if (keyword == "proxyjump" && value != "none")
      Host.ProxyJump = value;
  }
  return true;
}

QString TOpenSshHosts::FirstExistingKey(const THost& Host) {
  for (const QString& file : Host.IdentityFiles)
    if (QFileInfo(file).isFile()) return file;
  return QString();
}

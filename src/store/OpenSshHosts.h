#pragma once

#include <QString>
#include <QStringList>

// The hosts of the user's OpenSSH configuration. Only the names of the
// concrete "Host" aliases are read here; what an alias means (host name,
// user, port, key, jump host, with Match, Include and defaults applied) is
// asked of OpenSSH itself with "ssh -G", so that its configuration language
// is never parsed twice, differently.
class TOpenSshHosts {
 public:
  // An alias as "ssh -G" resolves it.
  struct THost {
    QString Alias;
    QString HostName;
    QString User;
    int Port = 22;
    QStringList IdentityFiles;  // as OpenSSH would try them, "~" expanded
    QString ProxyJump;          // empty when there is none
  };

  // The concrete aliases of ConfigFile and the files it includes, in order,
  // each once: "Host" words with "*", "?" or "!" are patterns, not hosts.
  // Why, when the file cannot be read, is for the debug log.
  static QStringList Aliases(const QString& ConfigFile, QString* Why = nullptr);
  // Alias as "ssh -G" resolves it; ConfigFile, when given, replaces the
  // user's and the system's configuration (as ssh -F does). False, with
  // Why, when ssh is missing or refuses.
  static bool Resolve(const QString& Alias, THost& Host, QString& Why,
                      const QString& ConfigFile = QString());
  // ~/.ssh/config
  static QString DefaultConfigFile();
  // What Resolve gives ssh with -F when no file is named: nothing, so that
  // ssh reads its own files, unless HOME is not the account's home.
  static QString ConfigFileForSsh();
  // The first of Host's identity files that exists, or empty.
  static QString FirstExistingKey(const THost& Host);
};

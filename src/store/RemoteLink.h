#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A link to a file or folder on a server, as given on the command line or by
// the desktop: "sftp://[user@]host[:port]/path" (percent-encoded, an IPv6
// address in brackets), scp's "[user@]host:path", or "ALIAS:path" for a host
// of the user's OpenSSH configuration. Only the text is read here; which
// host it connects to is TLinkHost's business.
class TRemoteLink {
 public:
  // Whether a name is a file or folder on this computer.
  using TLocalExists = std::function<bool(const QString& Path)>;

  // The link Text means, or nothing with Why in plain words. Aliases are
  // the OpenSSH aliases a host name may stand for. A text that names a path
  // on this computer (one that exists, or one with a "/" before its first
  // ":", as scp reads it) is no link.
  static std::optional<TRemoteLink> Parse(const QString& Text, const QStringList& Aliases,
                                          QString& Why, const TLocalExists& LocalExists);
  // The same, with files on this computer looked up for real.
  static std::optional<TRemoteLink> Parse(const QString& Text, const QStringList& Aliases,
                                          QString& Why);

  // The forms a link may take, for messages and the command line's help.
  static QString Forms();

  const QString& Text() const { return FText; }
  // Empty when the link names none.
  const QString& User() const { return FUser; }
  // Without the brackets of an IPv6 address.
  const QString& Host() const { return FHost; }
  // 0 when the link names none.
  int Port() const { return FPort; }
  // Host is one of the OpenSSH aliases.
  bool Alias() const { return FAlias; }
  // Decoded. Relative to the login's home folder unless it begins with "/";
  // empty for the home folder itself.
  const QString& Path() const { return FPath; }
  // The folder to list (empty: the home folder) and the entry to open in it
  // (empty when the path names a folder by a trailing "/" or names none).
  QString Folder() const;
  QString Name() const;

 private:
  bool ParseUrl(const QString& Rest, QString& Why);
  bool ParseScp(const QString& Text, QString& Why);
  bool TakeHostPort(const QString& HostPort, bool Url, QString& Why);
  bool TakeUser(const QString& User, QString& Why);
  bool TakePath(const QString& Path, QString& Why);

  QString FText;
  QString FUser;
  QString FHost;
  int FPort = 0;
  bool FAlias = false;
  QString FPath;
};

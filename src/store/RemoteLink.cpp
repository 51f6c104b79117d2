#include "store/RemoteLink.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kScheme = QStringLiteral("sftp://");

// A character no host or user name holds; they go to psftp and ssh as
// words of their own, and a leading "-" would make one an option.
bool Unfit(const QString& Name, const QString& Forbidden) {
  if (Name.isEmpty() || Name.startsWith('-')) return true;
  for (const QChar c : Name)
    if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7f || Forbidden.contains(c))
      return true;
  return false;
}

bool ValidIpv6(const QString& Address) {
  static const QRegularExpression kAddress("^[0-9A-Fa-f:.]+$");
  return Address.contains(':') && kAddress.match(Address).hasMatch();
}

int HexValue(QChar C) {
  const char c = C.toLatin1();
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" is the byte XX; the bytes are UTF-8, as the desktop encodes names.
std::optional<QString> PercentDecoded(const QString& Text, QString& Why) {
  QByteArray bytes;
  qsizetype plain = 0;  // where the text not yet copied begins
  for (qsizetype i = 0; i < Text.size(); ++i) {
    if (Text[i] != '%') continue;
    bytes += Text.mid(plain, i - plain).toUtf8();
    const int high = i + 1 < Text.size() ? HexValue(Text[i + 1]) : -1;
    const int low = i + 2 < Text.size() ? HexValue(Text[i + 2]) : -1;
    if (high < 0 || low < 0) {
      Why = QString("%1 in the link is not a percent-encoded character.").arg(Text.mid(i, 3));
      return std::nullopt;
    }
    bytes += char(high * 16 + low);
    i += 2;
    plain = i + 1;
  }
  bytes += Text.mid(plain).toUtf8();
  return QString::fromUtf8(bytes);
}

// scp's reading of "host:path": the first ":" outside brackets ends the
// host, and a "/" before it makes the whole text a local path.
qsizetype HostColon(const QString& Text) {
  if (Text.startsWith(':')) return 0;
  bool bracket = Text.startsWith('[');
  for (qsizetype i = 0; i < Text.size(); ++i) {
    const QChar c = Text[i];
    if (c == '@' && i + 1 < Text.size() && Text[i + 1] == '[') bracket = true;
    if (c == ']' && bracket && i + 1 < Text.size() && Text[i + 1] == ':') return i + 1;
    if (c == ':' && !bracket) return i;
    if (c == '/') return -1;
  }
  return -1;
}

QString LocalPathWhy(const QString& Text) {
  return QString("%1 is a path on this computer, not a link to a server. %2")
      .arg(Text, TRemoteLink::Forms());
}

}  // namespace

QString TRemoteLink::Forms() {
  return "Quillery opens sftp://[user@]host[:port]/path, [user@]host:path and ALIAS:path "
         "(a Host of ~/.ssh/config).";
}

std::optional<TRemoteLink> TRemoteLink::Parse(const QString& Text, const QStringList& Aliases,
                                              QString& Why) {
  return Parse(Text, Aliases, Why, [](const QString& Path) { return QFileInfo::exists(Path); });
}

std::optional<TRemoteLink> TRemoteLink::Parse(const QString& Text, const QStringList& Aliases,
                                              QString& Why, const TLocalExists& LocalExists) {
  TRemoteLink link;
  link.FText = Text;
  if (Text.trimmed().isEmpty()) {
    Why = "The link is empty. " + Forms();
    return std::nullopt;
  }
  static const QRegularExpression kOtherScheme("^([A-Za-z][A-Za-z0-9+.-]*)://");
  const QRegularExpressionMatch scheme = kOtherScheme.match(Text);
  bool parsed = false;
  if (Text.startsWith(kScheme, Qt::CaseInsensitive)) {
    parsed = link.ParseUrl(Text.mid(kScheme.size()), Why);
  } else if (scheme.hasMatch()) {
    Why = QString("Quillery opens sftp:// links, not %1 ones.").arg(scheme.captured(0));
    return std::nullopt;
  } else if (LocalExists && LocalExists(Text)) {
    Why = LocalPathWhy(Text);
    return std::nullopt;
  } else {
    parsed = link.ParseScp(Text, Why);
  }
  if (!parsed) return std::nullopt;
  link.FAlias = Aliases.contains(link.FHost);
  return link;
}

bool TRemoteLink::ParseUrl(const QString& Rest, QString& Why) {
  // A query or a fragment means something only to a web server; in a name
  // these characters are written %3F and %23.
  if (Rest.contains('?') || Rest.contains('#')) {
    Why = "A link to a file has no ? or # part; in a name, write them as %3F and %23.";
    return false;
  }
  const qsizetype slash = Rest.indexOf('/');
  const QString authority = slash < 0 ? Rest : Rest.left(slash);
  const QString path = slash < 0 ? QString() : Rest.mid(slash);
  QString hostPort = authority;
  const qsizetype at = authority.lastIndexOf('@');
  if (at >= 0) {
    const QString userInfo = authority.left(at);
    hostPort = authority.mid(at + 1);
    if (userInfo.contains(':')) {
      Why = "Quillery takes no password from a link; leave it out, and you are asked for it.";
      return false;
    }
    const std::optional<QString> user = PercentDecoded(userInfo, Why);
    if (!user || !TakeUser(*user, Why)) return false;
  }
  if (!TakeHostPort(hostPort, true, Why)) return false;
  const std::optional<QString> decoded = PercentDecoded(path, Why);
  if (!decoded) return false;
  // "/~" is the home folder, as in OpenSSH's own sftp links.
  QString absolute = *decoded;
  if (absolute == "/~" || absolute.startsWith("/~/")) absolute = absolute.mid(3);
  return TakePath(absolute, Why);
}

bool TRemoteLink::ParseScp(const QString& Text, QString& Why) {
  const qsizetype colon = HostColon(Text);
  if (colon < 0) {
    Why = LocalPathWhy(Text);
    return false;
  }
  const QString userHost = Text.left(colon);
  const qsizetype at = userHost.lastIndexOf('@');
  if (at >= 0 && !TakeUser(userHost.left(at), Why)) return false;
  if (!TakeHostPort(userHost.mid(at + 1), false, Why)) return false;
  QString path = Text.mid(colon + 1);
  if (path == "~" || path.startsWith("~/")) path = path.mid(2);
  return TakePath(path, Why);
}

bool TRemoteLink::TakeUser(const QString& User, QString& Why) {
  if (User.isEmpty()) {
    Why = "The user name before @ is empty.";
    return false;
  }
  if (Unfit(User, ":;/")) {
    Why = QString("%1 is not a user name.").arg(User);
    return false;
  }
  FUser = User;
  return true;
}

// In a link the port follows the host ("host:2222", "[::1]:2222"); scp's
// form has none, its ":" beginning the path.
bool TRemoteLink::TakeHostPort(const QString& HostPort, bool Url, QString& Why) {
  QString host = HostPort;
  QString port;
  if (HostPort.startsWith('[')) {
    const qsizetype close = HostPort.indexOf(']');
    if (close < 0) {
      Why = "The [ before the host has no ].";
      return false;
    }
    host = HostPort.mid(1, close - 1);
    const QString after = HostPort.mid(close + 1);
    if (!ValidIpv6(host) || !(after.isEmpty() || (Url && after.startsWith(':')))) {
      Why = QString("%1 is not a host name.").arg(HostPort);
      return false;
    }
    port = after.mid(1);
  } else if (Url && HostPort.count(':') > 1) {
    Why = "An IPv6 address in a link goes in brackets, as in sftp://[::1]/path.";
    return false;
  } else if (Url && HostPort.contains(':')) {
    host = HostPort.section(':', 0, 0);
    port = HostPort.section(':', 1);
  }
  if (host.isEmpty()) {
    Why = "The link names no host. " + Forms();
    return false;
  }
  if (!HostPort.startsWith('[') && Unfit(host, "@/\\[]%?#:")) {
    Why = QString("%1 is not a host name.").arg(host);
    return false;
  }
  FHost = host;
  if (port.isEmpty()) return true;  // "host:" is the default port, as in any URL
  bool number = false;
  const int value = port.toInt(&number);
  static const QRegularExpression kDigits("^[0-9]+$");
  if (!number || !kDigits.match(port).hasMatch() || value < 1 || value > 65535) {
    Why = QString("%1 is not a port number (1 to 65535).").arg(port);
    return false;
  }
  FPort = value;
  return true;
}

// psftp reads one command a line, so no name it is given holds a line end.
bool TRemoteLink::TakePath(const QString& Path, QString& Why) {
  if (Path.contains('\n') || Path.contains('\r') || Path.contains(QChar(0))) {
    Why = "The path in the link holds a line break or a NUL character, which psftp cannot take.";
    return false;
  }
  FPath = Path;
  return true;
}

QString TRemoteLink::Folder() const {
  if (FPath.isEmpty() || FPath.endsWith('/') || Name().isEmpty()) {
    QString folder = FPath;
    while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return folder;
  }
  const qsizetype slash = FPath.lastIndexOf('/');
  if (slash < 0) return QString();
  return slash == 0 ? QString("/") : FPath.left(slash);
}

QString TRemoteLink::Name() const {
  if (FPath.endsWith('/')) return QString();
  const QString last = FPath.mid(FPath.lastIndexOf('/') + 1);
  return last == "." || last == ".." ? QString() : last;
}

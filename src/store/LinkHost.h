#pragma once

#include <QString>
#include <functional>

#include "remote/session/ConnectValues.h"
#include "store/OpenSshHosts.h"

class TRemoteLink;
class TServers;

// What a link connects with, as the user already knows the host: the first
// saved host whose host name, user and port the link matches, else the
// OpenSSH alias the link names (as ssh resolves it, the link's user and
// port going first), else the link's own values. The starting folder is
// the link's.
class TLinkHost {
 public:
  enum class TSource { Saved, OpenSsh, Link };
  // Resolves an OpenSSH alias (TOpenSshHosts::Resolve, unless a test says).
  using TResolve =
      std::function<bool(const QString& Alias, TOpenSshHosts::THost& Host, QString& Why)>;

  // False, with Why, when the alias the link names cannot be resolved.
  static bool Find(const TRemoteLink& Link, const TServers& Servers, TLinkHost& Host, QString& Why,
                   const TResolve& Resolve = TResolve());

  TSource Source = TSource::Link;
  TConnectValues Values;
  // The saved host's "host - user", for its password in the keyring.
  QString SavedName;

  // Everything a login needs but the password (which psftp asks for) is
  // known: no dialog has to ask for the user name.
  bool Complete() const { return !Values.HostName.isEmpty() && !Values.UserName.isEmpty(); }
  // The connection to HostName as UserName on Port is the one this link
  // wants; a link that names no user takes any.
  bool Names(const QByteArray& HostName, const QByteArray& UserName, int Port) const;
};

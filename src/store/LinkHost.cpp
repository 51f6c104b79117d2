#include "store/LinkHost.h"

#include "store/RemoteLink.h"
#include "store/Server.h"
#include "store/Servers.h"

namespace {

bool SameHostName(const QByteArray& A, const QByteArray& B) {
  return QString::fromLocal8Bit(A).compare(QString::fromLocal8Bit(B), Qt::CaseInsensitive) == 0;
}

const TServer* SavedMatch(const TRemoteLink& Link, const TServers& Servers) {
  const QByteArray host = Link.Host().toLocal8Bit();
  const QByteArray user = Link.User().toLocal8Bit();
  for (int i = 0; i < Servers.Count(); ++i) {
    const TServer* server = Servers.GetServer(i);
    if (!SameHostName(server->HostName(), host)) continue;
    if (!user.isEmpty() && server->UserName() != user) continue;
    if (Link.Port() != 0 && server->Port() != Link.Port()) continue;
    return server;
  }
  return nullptr;
}

}  // namespace

bool TLinkHost::Find(const TRemoteLink& Link, const TServers& Servers, TLinkHost& Host,
                     QString& Why, const TResolve& Resolve) {
  Host = TLinkHost();
  TConnectValues& values = Host.Values;
  if (const TServer* server = SavedMatch(Link, Servers)) {
    Host.Source = TSource::Saved;
    Host.SavedName = QString::fromLocal8Bit(server->DisplayName());
    values.HostName = server->HostName();
    values.UserName = server->UserName();
    values.Password = server->Password();
    values.Port = server->Port();
    values.PrivateKeyFile = server->PrivateKeyFile();
    // A link to the home folder starts where the saved host does.
    values.StartingDir = Link.Path().isEmpty() ? server->StartingDir() : QByteArray();
  } else if (Link.Alias()) {
    TOpenSshHosts::THost alias;
    const bool resolved = Resolve ? Resolve(Link.Host(), alias, Why)
                                  : TOpenSshHosts::Resolve(Link.Host(), alias, Why);
    if (!resolved) {
      Why = QString("The OpenSSH host %1 cannot be used: %2").arg(Link.Host(), Why);
      return false;
    }
    Host.Source = TSource::OpenSsh;
    values.HostName = alias.HostName.toLocal8Bit();
    values.UserName = (Link.User().isEmpty() ? alias.User : Link.User()).toLocal8Bit();
    values.Port = Link.Port() != 0 ? Link.Port() : alias.Port;
    values.PrivateKeyFile = TOpenSshHosts::FirstExistingKey(alias);
    values.ProxyJump = alias.ProxyJump;
  } else {
    values.HostName = Link.Host().toLocal8Bit();
    values.UserName = Link.User().toLocal8Bit();
    values.Port = Link.Port() != 0 ? Link.Port() : 22;
  }
  if (!Link.Path().isEmpty()) values.StartingDir = Link.Folder().toLocal8Bit();
  return true;
}

bool TLinkHost::Names(const QByteArray& HostName, const QByteArray& UserName, int Port) const {
  return SameHostName(Values.HostName, HostName) && Values.Port == Port &&
         (Values.UserName.isEmpty() || Values.UserName == UserName);
}

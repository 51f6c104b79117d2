// Links to remote files: the forms a link takes, what each part means once
// decoded, the texts that are refused and why, and which host a link
// connects with.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include "TempHome.h"
#include "store/LinkHost.h"
#include "store/RemoteLink.h"
#include "store/Servers.h"

namespace {

const QStringList kAliases{"web", "db"};

struct TLinkCase {
  const char* Text;
  const char* User;
  const char* Host;
  int Port;
  bool Alias;
  const char* Path;
  const char* Folder;
  const char* Name;
};

// clang-format off
const TLinkCase kLinks[] = {
    // Text                                         User      Host           Port   Alias  Path                    Folder        Name
    {"sftp://example.com/var/www/index.html",       "",       "example.com", 0,     false, "/var/www/index.html",  "/var/www",   "index.html"},
    {"sftp://alice@example.com:2222/srv/",          "alice",  "example.com", 2222,  false, "/srv/",                "/srv",       ""},
    {"SFTP://Example.com",                          "",       "Example.com", 0,     false, "",                     "",           ""},
    {"sftp://example.com/",                         "",       "example.com", 0,     false, "/",                    "/",          ""},
    {"sftp://h:/x",                                 "",       "h",           0,     false, "/x",                   "/",          "x"},
    {"sftp://bob@[::1]:22/tmp/a%20b/c%25d.txt",     "bob",    "::1",         22,    false, "/tmp/a b/c%d.txt",     "/tmp/a b",   "c%d.txt"},
    {"sftp://[fe80::1]/etc/hosts",                  "",       "fe80::1",     0,     false, "/etc/hosts",           "/etc",       "hosts"},
    {"sftp://h/caf%C3%A9%2B(1).txt",                "",       "h",           0,     false, "/café+(1).txt",        "/",          "café+(1).txt"},
    {"sftp://h/my notes/100%25 done.txt",             "",       "h",           0,     false, "/my notes/100% done.txt", "/my notes", "100% done.txt"},
    {"sftp://h/a%20%20b/%20lead",                   "",       "h",           0,     false, "/a  b/ lead",          "/a  b",      " lead"},
    {"sftp://h/~/notes.txt",                        "",       "h",           0,     false, "notes.txt",            "",           "notes.txt"},
    {"sftp://h/~",                                  "",       "h",           0,     false, "",                     "",           ""},
    {"sftp://al%40ice@h/x",                         "al@ice", "h",           0,     false, "/x",                   "/",          "x"},
    {"sftp://h/dir/..",                             "",       "h",           0,     false, "/dir/..",              "/dir/..",    ""},
    {"sftp://web/etc/",                             "",       "web",         0,     true,  "/etc/",                "/etc",       ""},
    // scp's form: the path is taken as it is, relative to the home folder.
    {"alice@host:docs/my file%20.txt",              "alice",  "host",        0,     false, "docs/my file%20.txt",  "docs",       "my file%20.txt"},
    {"host:",                                       "",       "host",        0,     false, "",                     "",           ""},
    {"host:/etc/hosts",                             "",       "host",        0,     false, "/etc/hosts",           "/etc",       "hosts"},
    {"host:~/x y.txt",                              "",       "host",        0,     false, "x y.txt",              "",           "x y.txt"},
    {"host:a:b",                                    "",       "host",        0,     false, "a:b",                  "",           "a:b"},
    {"deploy@[fe80::1]:x",                          "deploy", "fe80::1",     0,     false, "x",                    "",           "x"},
    {"web:site/",                                   "",       "web",         0,     true,  "site/",                "site",       ""},
    {"root@db:/var/lib/",                           "root",   "db",          0,     true,  "/var/lib/",            "/var/lib",   ""},
};
// clang-format on

TEST(RemoteLink, EachFormGivesItsUserHostPortAndPath) {
  for (const TLinkCase& c : kLinks) {
    SCOPED_TRACE(c.Text);
    QString why;
    const auto link = TRemoteLink::Parse(QString::fromUtf8(c.Text), kAliases, why,
                                         [](const QString&) { return false; });
    ASSERT_TRUE(link) << why.toStdString();
    EXPECT_EQ(link->User(), QString::fromUtf8(c.User));
    EXPECT_EQ(link->Host(), QString::fromUtf8(c.Host));
    EXPECT_EQ(link->Port(), c.Port);
    EXPECT_EQ(link->Alias(), c.Alias);
    EXPECT_EQ(link->Path(), QString::fromUtf8(c.Path));
    EXPECT_EQ(link->Folder(), QString::fromUtf8(c.Folder));
    EXPECT_EQ(link->Name(), QString::fromUtf8(c.Name));
  }
}

struct TRefusal {
  const char* Text;
  const char* Why;  // a part of the message
};

const TRefusal kRefusals[] = {
    {"", "The link is empty."},
    {"   ", "The link is empty."},
    {"./a:b", "./a:b is a path on this computer, not a link to a server."},
    {"/x:y", "/x:y is a path on this computer"},
    {"dir/sub:file", "is a path on this computer"},
    {"existing:file", "existing:file is a path on this computer"},
    {"notes.txt", "notes.txt is a path on this computer"},
    {"http://example.com/x", "Quillery opens sftp:// links, not http:// ones."},
    {"ssh://example.com/x", "not ssh:// ones"},
    {"sftp://user:pw@h/x", "Quillery takes no password from a link"},
    {"sftp://@h/x", "The user name before @ is empty."},
    {"@h:x", "The user name before @ is empty."},
    {"sftp:///x", "The link names no host."},
    {"sftp://alice@/x", "The link names no host."},
    {":path", "The link names no host."},
    {"sftp://h:99999/x", "99999 is not a port number (1 to 65535)."},
    {"sftp://h:0/x", "0 is not a port number"},
    {"sftp://h:22a/x", "22a is not a port number"},
    {"sftp://h:-22/x", "-22 is not a port number"},
    {"sftp://::1/x", "An IPv6 address in a link goes in brackets"},
    {"sftp://[::1/x", "The [ before the host has no ]."},
    {"sftp://[zz]/x", "[zz] is not a host name."},
    {"sftp://[::1]x/y", "[::1]x is not a host name."},
    {"sftp://ho st/x", "ho st is not a host name."},
    {"sftp://-oProxyCommand=x/y", "-oProxyCommand=x is not a host name."},
    {"-oProxyCommand=x:y", "-oProxyCommand=x is not a host name."},
    {"-l@h:x", "-l is not a user name."},
    {"sftp://a;fingerprint=x@h/y", "a;fingerprint=x is not a user name."},
    {"sftp://h/a%2", "%2 in the link is not a percent-encoded character."},
    {"sftp://h/a%zzb", "%zz in the link is not a percent-encoded character."},
    {"sftp://h/a%0Ab", "line break"},
    {"sftp://h/a%0db", "line break"},
    {"sftp://h/a%00b", "NUL"},
    {"host:a\nb", "line break"},
    {"sftp://h/a?b", "no ? or # part"},
    {"sftp://h/a#b", "no ? or # part"},
};

TEST(RemoteLink, MalformedTextsAndLocalPathsAreRefusedInPlainWords) {
  const auto localExists = [](const QString& Path) { return Path == "existing:file"; };
  for (const TRefusal& c : kRefusals) {
    SCOPED_TRACE(c.Text);
    QString why;
    EXPECT_FALSE(TRemoteLink::Parse(QString::fromUtf8(c.Text), kAliases, why, localExists));
    EXPECT_TRUE(why.contains(QString::fromUtf8(c.Why))) << why.toStdString();
  }
}

// The real file system: a file whose name looks like host:path is a file.
TEST(RemoteLink, AnExistingLocalFileIsNoLink) {
  TempHome home;
  const QString path = home.Path() + "/a:b";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QString why;
  EXPECT_FALSE(TRemoteLink::Parse(path, kAliases, why));
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(home.Path()));
  EXPECT_FALSE(TRemoteLink::Parse("a:b", kAliases, why));
  EXPECT_TRUE(why.contains("a:b is a path on this computer")) << why.toStdString();
  EXPECT_TRUE(TRemoteLink::Parse("a:c", kAliases, why)) << why.toStdString();
  QDir::setCurrent(before);
}

TRemoteLink Link(const QString& Text) {
  QString why;
  const auto link = TRemoteLink::Parse(Text, kAliases, why, nullptr);
  EXPECT_TRUE(link) << why.toStdString();
  return link.value_or(TRemoteLink());
}

class LinkHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Servers.Add("example.com", "alice", "pw", "/home/alice/site", 2222);
    Servers.Add("example.com", "bob", "", ".", 22);
  }
  // "web" is an alias whose jump host and key the values carry on.
  TLinkHost::TResolve Resolve = [](const QString& Alias, TOpenSshHosts::THost& Host, QString& Why) {
    if (Alias != "web") {
      Why = "ssh: no such host";
      return false;
    }
    Host.Alias = Alias;
    Host.HostName = "10.0.0.5";
    Host.User = "deploy";
    Host.Port = 2200;
    Host.ProxyJump = "jump@bastion";
    return true;
  };
  TempHome Home;
  TServers Servers;
};

TEST_F(LinkHostTest, ASavedHostMatchesByHostUserAndPort) {
  TLinkHost host;
  QString why;
  ASSERT_TRUE(TLinkHost::Find(Link("sftp://EXAMPLE.com:2222/x/y.txt"), Servers, host, why));
  EXPECT_EQ(host.Source, TLinkHost::TSource::Saved);
  EXPECT_EQ(host.SavedName, "example.com - alice");
  EXPECT_EQ(host.Values.Password, "pw");
  EXPECT_EQ(host.Values.Port, 2222);
  EXPECT_EQ(host.Values.StartingDir, "/x");

  // A link to the home folder starts where the saved host does.
  ASSERT_TRUE(TLinkHost::Find(Link("bob@example.com:"), Servers, host, why));
  EXPECT_EQ(host.SavedName, "example.com - bob");
  EXPECT_EQ(host.Values.StartingDir, ".");

  // Another user or port is no saved host: the link's own values.
  for (const char* text : {"carol@example.com:f", "sftp://bob@example.com:2222/f"}) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(TLinkHost::Find(Link(text), Servers, host, why));
    EXPECT_EQ(host.Source, TLinkHost::TSource::Link);
    EXPECT_TRUE(host.Values.Password.isEmpty());
    EXPECT_TRUE(host.Complete());
  }
  EXPECT_EQ(host.Values.Port, 2222);
  EXPECT_EQ(host.Values.StartingDir, "/");
}

TEST_F(LinkHostTest, AnAliasIsWhatSshMakesOfItWithTheLinksUserAndPortFirst) {
  TLinkHost host;
  QString why;
  ASSERT_TRUE(TLinkHost::Find(Link("web:site/index.html"), Servers, host, why, Resolve));
  EXPECT_EQ(host.Source, TLinkHost::TSource::OpenSsh);
  EXPECT_EQ(host.Values.HostName, "10.0.0.5");
  EXPECT_EQ(host.Values.UserName, "deploy");
  EXPECT_EQ(host.Values.Port, 2200);
  EXPECT_EQ(host.Values.ProxyJump, "jump@bastion");
  EXPECT_EQ(host.Values.StartingDir, "site");

  ASSERT_TRUE(TLinkHost::Find(Link("sftp://root@web:2201/"), Servers, host, why, Resolve));
  EXPECT_EQ(host.Values.UserName, "root");
  EXPECT_EQ(host.Values.Port, 2201);
  EXPECT_EQ(host.Values.StartingDir, "/");

  EXPECT_FALSE(TLinkHost::Find(Link("db:x"), Servers, host, why, Resolve));
  EXPECT_EQ(why, "The OpenSSH host db cannot be used: ssh: no such host");
}

TEST_F(LinkHostTest, AnUnknownHostWithoutUserIsIncompleteAndMatchesAnyUser) {
  TLinkHost host;
  QString why;
  ASSERT_TRUE(TLinkHost::Find(Link("sftp://other.org/x/"), Servers, host, why));
  EXPECT_FALSE(host.Complete());
  EXPECT_EQ(host.Values.Port, 22);
  EXPECT_EQ(host.Values.StartingDir, "/x");
  EXPECT_TRUE(host.Names("OTHER.org", "anyone", 22));
  EXPECT_FALSE(host.Names("other.org", "anyone", 2222));
  EXPECT_FALSE(host.Names("else.org", "anyone", 22));

  ASSERT_TRUE(TLinkHost::Find(Link("ann@other.org:"), Servers, host, why));
  EXPECT_TRUE(host.Names("other.org", "ann", 22));
  EXPECT_FALSE(host.Names("other.org", "bob", 22));
}

}  // namespace

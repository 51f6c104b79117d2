// The user's OpenSSH hosts: the alias names read from the configuration and
// its includes, and what the real ssh -G makes of an alias.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "TempHome.h"
#include "store/OpenSshHosts.h"

namespace {

void Write(const QString& Path, const QByteArray& Text) {
  QDir().mkpath(QFileInfo(Path).path());
  QFile file(Path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Text);
}

TEST(OpenSshHosts, ListsTheConcreteAliasesOfTheConfigAndItsIncludes) {
  TempHome home;
  const QString ssh = home.Path() + "/.ssh/";
  Write(ssh + "config",
        "# comment Host commented\n"
        "Include conf.d/*.conf\n"
        "Host web db\n"
        "  HostName 10.0.0.1\n"
        "Host *.example.com !skip ?x\n"
        "host=lower\n"
        "Host \"quoted name\"\n"
        "Host web\n"  // once only
        "Include ~/.ssh/missing\n"
        "Match host web\n"
        "  User deploy\n");
  Write(ssh + "conf.d/a.conf", "Host alpha\nInclude " + ssh.toUtf8() + "deeper\n");
  Write(ssh + "conf.d/b.conf", "Host beta\n");
  Write(ssh + "conf.d/c.other", "Host ignored\n");
  Write(ssh + "deeper", "Host deep\n");
  QString why;
  EXPECT_EQ(TOpenSshHosts::Aliases(ssh + "config", &why),
            (QStringList{"alpha", "deep", "beta", "web", "db", "lower", "quoted name"}));
  EXPECT_TRUE(why.isEmpty());

  EXPECT_TRUE(TOpenSshHosts::Aliases(ssh + "absent", &why).isEmpty());
  EXPECT_TRUE(why.contains("absent")) << why.toStdString();
  // An Include of itself ends at OpenSSH's depth limit instead of never.
  Write(ssh + "loop", "Host looped\nInclude loop\n");
  EXPECT_EQ(TOpenSshHosts::Aliases(ssh + "loop"), QStringList{"looped"});
}

TEST(OpenSshHosts, AnAliasMeansWhatSshMakesOfIt) {
  TempHome home;
  const QString config = home.Path() + "/.ssh/config";
  Write(config,
        "Host web\n  HostName 10.1.2.3\n  Port 2200\n  IdentityFile ~/.ssh/missing_key\n"
        "  IdentityFile ~/.ssh/web_key\n  ProxyJump ann@bastion:2222\n"
        "Match host 10.1.2.3\n  User deploy\n"
        "Host -oProxyCommand=x\n  HostName dash\n");
  Write(home.Path() + "/.ssh/web_key", "key");
  TOpenSshHosts::THost host;
  QString why;
  ASSERT_TRUE(TOpenSshHosts::Resolve("web", host, why, config)) << why.toStdString();
  EXPECT_EQ(host.HostName, "10.1.2.3");
  EXPECT_EQ(host.User, "deploy");  // from the Match block, which only ssh applies
  EXPECT_EQ(host.Port, 2200);
  EXPECT_EQ(host.ProxyJump, "ann@bastion:2222");
  EXPECT_EQ(TOpenSshHosts::FirstExistingKey(host), home.Path() + "/.ssh/web_key");

  // An alias that looks like an option stays a name, which ssh refuses
  // rather than obeys.
  why.clear();
  EXPECT_FALSE(TOpenSshHosts::Resolve("-oProxyCommand=x", host, why, config));
  EXPECT_FALSE(why.isEmpty());
}

}  // namespace

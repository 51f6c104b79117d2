// A server reached through a jump host, as OpenSSH's ProxyJump does it: the
// real psftp, the user's real ssh as its proxy, and two loopback servers,
// the jump host and the target.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

namespace {

class ProxyJumpTest : public DriverSessionTest {};

TEST_F(ProxyJumpTest, TheTargetIsReachedThroughTheJumpHost) {
  // ssh reads the configuration of the account's real home, whatever HOME
  // says; a wrapper first on PATH gives it the test's own instead, as the
  // user's ~/.ssh/config would: the jump host, its user and key.
  const QString dir = home.Path() + "/jump";
  QDir().mkpath(dir + "/bin");
  ASSERT_EQ(QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", dir + "/id"}),
            0);
  TestServer jump;
  jump.AuthorizeKey(dir + "/id.pub");
  jump.AllowForwarding();
  ASSERT_TRUE(jump.Start());
  QFile config(dir + "/config");
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(QString("Host bastion\n  HostName 127.0.0.1\n  Port %1\n  User %2\n"
                       "  IdentityFile %3/id\n  IdentitiesOnly yes\n  BatchMode yes\n"
                       "  UserKnownHostsFile /dev/null\n  StrictHostKeyChecking no\n"
                       "  LogLevel ERROR\n")
                   .arg(jump.Port())
                   .arg(jump.User(), dir)
                   .toUtf8());
  config.close();
  QFile wrapper(dir + "/bin/ssh");
  ASSERT_TRUE(wrapper.open(QIODevice::WriteOnly));
  wrapper.write("#!/bin/sh\nexec /usr/bin/ssh -F '" + config.fileName().toUtf8() + "' \"$@\"\n");
  wrapper.close();
  wrapper.setPermissions(wrapper.permissions() | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", (dir + "/bin:").toUtf8() + path);

  ASSERT_TRUE(server.Start());
  view.Values.Port = server.Port();
  view.Values.HostName = "target.test";  // resolved by the jump host, not here
  view.Values.ProxyJump = "bastion";
  view.ConnectAction(driver);
  const bool asked = WaitFor([&] { return !view.HostKeyRequests.empty(); });
  qputenv("PATH", path);
  ASSERT_TRUE(asked) << view.DebugText.toStdString();
  driver.AnswerHostKey(THostKeyAnswer::Once);
  ASSERT_TRUE(WaitFor([&] { return view.Page(0)->Items.contains("notes.txt") && !driver.Busy(); }))
      << view.DebugText.toStdString();
  EXPECT_EQ(jump.Forwarded(), QStringList{QString("target.test:%1").arg(server.Port())});
  EXPECT_EQ(view.Status[0], "Connected");
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace

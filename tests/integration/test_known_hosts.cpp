// A server the user's OpenSSH already trusts is not asked about, and one whose
// key differs from what OpenSSH trusts gets the warning of a changed key. The
// real psftp and ssh-keygen, the loopback server, a known_hosts of the test's
// own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

namespace {

class KnownHostsTest : public DriverSessionTest {
 protected:
  // OpenSSH's public line ("ssh-ed25519 AAAA...") of the private key file.
  static QByteArray PublicLine(const QString& KeyFile) {
    QProcess keygen;
    keygen.start("ssh-keygen", {"-y", "-f", KeyFile});
    EXPECT_TRUE(keygen.waitForFinished());
    return keygen.readAllStandardOutput().trimmed();
  }
  static QString FingerprintOf(const QString& KeyFile) {
    QProcess keygen;
    keygen.start("ssh-keygen", {"-l", "-f", KeyFile});
    EXPECT_TRUE(keygen.waitForFinished());
    return QString::fromUtf8(keygen.readAllStandardOutput()).section(' ', 1, 1);
  }
  static QString NewKey(const QString& Path) {
    EXPECT_EQ(QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", Path}), 0);
    return Path;
  }
};

TEST_F(KnownHostsTest, OpenSshsKnownHostsDecideWhatIsAsked) {
  const QString keys = home.Path() + "/keys";
  QDir().mkpath(keys);
  const QString hostKey = NewKey(keys + "/server");
  const QString otherKey = NewKey(keys + "/other");
  server.SetHostKeyFile(hostKey);
  ASSERT_TRUE(server.Start());
  view.Values.Port = server.Port();
  const QByteArray port = QByteArray::number(server.Port());
  const QByteArray serverLine = PublicLine(hostKey);
  const QByteArray otherLine = PublicLine(otherKey);

  enum TOutcome { Accepted, AskedNew, WarnedChanged };
  const struct {
    const char* name;
    QByteArray knownHosts;  // empty: no file
    bool hashed;
    TOutcome outcome;
  } cases[] = {
      {"the same key", "[127.0.0.1]:" + port + " " + serverLine + "\n", false, Accepted},
      {"the same key, hashed", "[127.0.0.1]:" + port + " " + serverLine + "\n", true, Accepted},
      {"another key", "[127.0.0.1]:" + port + " " + otherLine + "\n", false, WarnedChanged},
      {"another key, hashed", "[127.0.0.1]:" + port + " " + otherLine + "\n", true, WarnedChanged},
      {"another host", "[example.org]:" + port + " " + serverLine + "\n", false, AskedNew},
      {"the host on port 22 only", "127.0.0.1 " + serverLine + "\n", false, AskedNew},
      {"no known_hosts", "", false, AskedNew},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Neither psftp's cache nor an earlier case's file may decide.
    QDir(home.Path() + "/.putty").removeRecursively();
    QDir(home.Path() + "/.ssh").removeRecursively();
    if (!c.knownHosts.isEmpty()) {
      QDir().mkpath(home.Path() + "/.ssh");
      QFile file(home.Path() + "/.ssh/known_hosts");
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.knownHosts);
      file.close();
      if (c.hashed) {
        ASSERT_EQ(QProcess::execute("ssh-keygen", {"-q", "-H", "-f", file.fileName()}), 0);
      }
    }
    view.HostKeyRequests.clear();
    view.Page(0)->Items.clear();
    view.DebugText.clear();
    view.ConnectAction(driver);
    ASSERT_TRUE(WaitFor([&] {
      return !view.HostKeyRequests.empty() || view.Page(0)->Items.contains("notes.txt");
    })) << view.DebugText.toStdString();
    if (c.outcome == Accepted) {
      EXPECT_TRUE(view.HostKeyRequests.empty());
      EXPECT_TRUE(view.DebugText.contains("Host key matches ~/.ssh/known_hosts"));
      // psftp was told yes, so it keeps the key as its own from now on.
      EXPECT_TRUE(QFile(home.Path() + "/.putty/sshhostkeys").exists());
      driver.Disconnect();
    } else {
      ASSERT_EQ(view.HostKeyRequests.size(), 1u);
      const THostKeyRequest& request = view.HostKeyRequests[0];
      EXPECT_EQ(request.Fingerprint, FingerprintOf(hostKey));
      if (c.outcome == WarnedChanged) {
        EXPECT_EQ(request.Kind, THostKeyRequest::hkChangedKey);
        EXPECT_EQ(request.KnownFingerprint, FingerprintOf(otherKey));
      } else {
        EXPECT_EQ(request.Kind, THostKeyRequest::hkNewKey);
        EXPECT_TRUE(request.KnownFingerprint.isEmpty());
      }
      driver.AnswerHostKey(THostKeyAnswer::Abandon);
    }
    ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); })) << view.DebugText.toStdString();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace

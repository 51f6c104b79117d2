// Logging in with a private key or the SSH agent: the real psftp, puttygen
// and ssh-agent against the loopback server, through the connection driver.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "remote/local/TempFolder.h"

namespace {

class KeyLoginTest : public DriverSessionTest {
 protected:
  void SetUp() override {
    for (const char* tool : {"ssh-keygen", "puttygen", "ssh-agent", "ssh-add"})
      if (QStandardPaths::findExecutable(tool).isEmpty())
        GTEST_SKIP() << tool << " is needed (openssh-client, putty-tools)";
    // The user's own agent would offer its keys before ours.
    FAgentSocket = qgetenv("SSH_AUTH_SOCK");
    qunsetenv("SSH_AUTH_SOCK");
    MakeKey("plain", "plain key", "");
    MakeKey("locked", "locked key", "pass phrase");
    MakeKey("stranger", "stranger key", "");
    server.AuthorizeKey(Key("plain.pub"));
    server.AuthorizeKey(Key("locked.pub"));
    ASSERT_TRUE(server.Start());
    view.Values.Port = server.Port();
    view.Values.Password.clear();  // the key, or the agent, is the way in
  }
  void TearDown() override {
    if (!FAgentSocket.isEmpty()) qputenv("SSH_AUTH_SOCK", FAgentSocket);
    if (FAgent.state() != QProcess::NotRunning) {
      FAgent.kill();
      FAgent.waitForFinished();
    }
  }

  // Name is OpenSSH's private key (Name.pub its public half); Name.ppk is the
  // same key in PuTTY's form, with the same passphrase.
  void MakeKey(const QString& Name, const QString& Comment, const QByteArray& Passphrase) {
    const QString key = Key(Name);
    ASSERT_EQ(QProcess::execute("ssh-keygen",
                                {"-q", "-t", "ed25519", "-N", QString::fromUtf8(Passphrase), "-C",
                                 Comment, "-f", key}),
              0);
    QStringList convert{key, "-O", "private", "-o", key + ".ppk"};
    if (!Passphrase.isEmpty()) {
      QFile file(FKeys.filePath("pass"));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(Passphrase);
      file.close();
      convert << "--old-passphrase" << file.fileName();
    }
    ASSERT_EQ(QProcess::execute("puttygen", convert), 0);
  }
  QString Key(const QString& Name) const { return FKeys.filePath(Name); }

  // Connects with KeyFile, trusting the host key when asked.
  void Connect(const QString& KeyFile) {
    view.Values.PrivateKeyFile = KeyFile;
    view.Page(0)->Items.clear();
    view.ConnectAction(driver);
  }
  // psftp asks only until the key is in its cache.
  void TrustHostKey() {
    if (FHostKeyTrusted) return;
    FHostKeyTrusted = true;
    ASSERT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }))
        << view.DebugText.toStdString();
    driver.AnswerHostKey(THostKeyAnswer::Trust);
    view.HostKeyRequests.clear();
  }
  bool Listed() {
    return WaitFor([&] { return view.Page(0)->Items.contains("notes.txt") && !view.BusyCursor; });
  }
  bool PassphraseAsked(size_t Count) {
    return WaitFor([&] { return view.PasswordRequests.size() >= Count; });
  }
  bool NotConnected() {
    return WaitFor([&] { return !redirector.Running() && view.Status[0] == "Not connected"; });
  }
  QStringList ConvertedKeys() const { return QDir(KeysFolder()).entryList({"*.ppk"}, QDir::Files); }
  QStringList WorkFiles() const { return QDir(WorkFolder()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir FKeys;
  bool FHostKeyTrusted = false;
  QByteArray FAgentSocket;
  QProcess FAgent;
};

TEST_F(KeyLoginTest, KeysInEitherFormLogInAndAPassphraseIsTypedOnce) {
  struct Case {
    const char* Name;
    QString File;
    QByteArray Passphrase;  // empty: no question may come
    bool Converted;
  };
  const Case cases[] = {
      {"PuTTY key", "plain.ppk", "", false},
      {"PuTTY key with a passphrase", "locked.ppk", "pass phrase", false},
      {"OpenSSH key", "plain", "", true},
      {"OpenSSH key with a passphrase", "locked", "pass phrase", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    view.PasswordRequests.clear();
    Connect(Key(c.File));
    if (!c.Passphrase.isEmpty()) {
      // The one question names the key; for OpenSSH's form it comes before
      // psftp starts, and its answer also opens the converted key.
      ASSERT_TRUE(PassphraseAsked(1)) << view.DebugText.toStdString();
      const TPasswordRequest request = view.PasswordRequests[0];
      EXPECT_EQ(request.Kind, TPasswordRequest::TKind::Passphrase);
      EXPECT_TRUE(request.Prompt.contains(c.Converted ? QString(c.File) : QString("locked key")))
          << request.Prompt.toStdString();
      EXPECT_EQ(redirector.Running(), !c.Converted);
      driver.AnswerPassword(c.Passphrase);
      // puttygen converts the key now: were Quillery killed, no file of its
      // own would hold the passphrase.
      EXPECT_EQ(home.FilesHolding(c.Passphrase), QStringList());
    }
    TrustHostKey();
    ASSERT_TRUE(Listed()) << view.DebugText.toStdString();
    EXPECT_EQ(view.PasswordRequests.size(), c.Passphrase.isEmpty() ? 0u : 1u);
    EXPECT_EQ(view.Status[0], "Connected");
    QFile cmdline(QString("/proc/%1/cmdline").arg(redirector.ChildProcessID()));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    const QList<QByteArray> args = cmdline.readAll().split('\0');
    const int i = args.indexOf("-i");
    ASSERT_GE(i, 0);
    const QString used = QString::fromLocal8Bit(args[i + 1]);
    EXPECT_EQ(used.startsWith(KeysFolder()), c.Converted) << used.toStdString();
    EXPECT_FALSE(args.contains(c.Passphrase.isEmpty() ? "-" : c.Passphrase));
    driver.Disconnect();
    ASSERT_TRUE(NotConnected());
  }
  // Each OpenSSH key became one private .ppk; the encrypted one stays so.
  const QStringList converted = ConvertedKeys();
  ASSERT_EQ(converted.size(), 2) << converted.join(' ').toStdString();
  for (const QString& name : converted) {
    const QString path = QDir(KeysFolder()).filePath(name);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFileInfo(path).permissions() & others) << name.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().contains("Encryption: none"), name.startsWith("plain"));
  }
  // No passphrase file, no half-made key is left behind.
  EXPECT_EQ(WorkFiles(), QStringList());
}

TEST_F(KeyLoginTest, AConvertedKeyIsReusedUntilTheKeyChanges) {
  Connect(Key("plain"));
  TrustHostKey();
  ASSERT_TRUE(Listed());
  driver.Disconnect();
  ASSERT_TRUE(NotConnected());
  const QStringList first = ConvertedKeys();
  ASSERT_EQ(first.size(), 1);

  view.DebugText.clear();
  Connect(Key("plain"));
  ASSERT_TRUE(WaitFor([&] { return redirector.Running(); }));
  EXPECT_TRUE(view.DebugText.contains("converted earlier")) << view.DebugText.toStdString();
  EXPECT_FALSE(view.DebugText.contains("Converting"));
  driver.Disconnect();
  ASSERT_TRUE(NotConnected());

  // A key written anew (same name, new content) is converted anew, and the
  // copy of the old one goes.
  QFile::remove(Key("plain"));
  QFile::remove(Key("plain.pub"));
  QFile::copy(Key("stranger"), Key("plain"));
  QFile::setPermissions(Key("plain"), QFile::ReadOwner | QFile::WriteOwner);
  QFile(Key("plain"))
      .setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
  view.DebugText.clear();
  Connect(Key("plain"));
  ASSERT_TRUE(WaitFor([&] { return redirector.Running(); }));
  EXPECT_TRUE(view.DebugText.contains("Converting")) << view.DebugText.toStdString();
  const QStringList second = ConvertedKeys();
  ASSERT_EQ(second.size(), 1);
  EXPECT_NE(second, first);
  driver.Disconnect();
}

// A key others can read is used, as psftp uses it, with a warning that says
// so; a private one gets none.
TEST_F(KeyLoginTest, AKeyOthersCanReadIsUsedWithAWarning) {
  QFile::copy(Key("plain.ppk"), Key("shared.ppk"));
  for (const bool shared : {true, false}) {
    SCOPED_TRACE(shared ? "readable by others" : "private");
    QFile::setPermissions(Key("shared.ppk"), shared ? QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ReadGroup | QFile::ReadOther
                                                    : QFile::ReadOwner | QFile::WriteOwner);
    view.Errors.clear();
    Connect(Key("shared.ppk"));
    TrustHostKey();
    ASSERT_TRUE(Listed()) << view.DebugText.toStdString();
    if (shared) {
      ASSERT_EQ(view.Errors.size(), 1);
      EXPECT_TRUE(view.Errors[0].contains("can be read by other users"));
      EXPECT_TRUE(view.Errors[0].contains("chmod 600 " + Key("shared.ppk")));
    } else {
      EXPECT_EQ(view.Errors, QStringList());
    }
    driver.Disconnect();
    ASSERT_TRUE(NotConnected());
  }
}

TEST_F(KeyLoginTest, FailuresNameTheKeyAndLeaveNotConnected) {
  QFile::copy(Key("plain.pub"), Key("public-only"));
  struct Case {
    const char* Name;
    QString File;
    QList<QByteArray> Answers;  // to each passphrase question in turn
    bool PsftpRuns;
    QString Message;
  };
  const Case cases[] = {
      {"server refuses the key",
       Key("stranger.ppk"),
       {},
       true,
       "The server refused the key " + Key("stranger.ppk") + "."},
      {"wrong passphrase three times",
       Key("locked.ppk"),
       {"a", "b", "c"},
       true,
       "Wrong passphrase for the key " + Key("locked.ppk") + "."},
      {"wrong passphrase for the conversion",
       Key("locked"),
       {"a", "b", "c"},
       false,
       "Wrong passphrase for the key " + Key("locked") + "."},
      {"missing file",
       Key("nothing-here"),
       {},
       false,
       "Unable to read the private key " + Key("nothing-here")},
      {"a public key", Key("public-only"), {}, false, "is a public key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    view.PasswordRequests.clear();
    view.Errors.clear();
    Connect(c.File);
    if (c.PsftpRuns) TrustHostKey();
    for (int i = 0; i < c.Answers.size(); ++i) {
      ASSERT_TRUE(PassphraseAsked(size_t(i + 1))) << view.DebugText.toStdString();
      // Asked again, the question says the last answer was wrong.
      EXPECT_EQ(view.PasswordRequests[i].Warning, i == 0 ? "" : "Wrong passphrase");
      driver.AnswerPassword(c.Answers[i]);
    }
    ASSERT_TRUE(WaitFor([&] { return !view.Errors.isEmpty(); })) << view.DebugText.toStdString();
    EXPECT_TRUE(view.Errors.last().contains(c.Message)) << view.Errors.last().toStdString();
    ASSERT_TRUE(NotConnected());
    EXPECT_FALSE(driver.Connected());
    EXPECT_EQ(view.PasswordRequests.size(), size_t(c.Answers.size()));
  }
  EXPECT_EQ(WorkFiles(), QStringList());
}

TEST_F(KeyLoginTest, ACancelledPassphraseQuestionEndsTheLogin) {
  for (const QString& file : {Key("locked"), Key("locked.ppk")}) {
    SCOPED_TRACE(file.toStdString());
    view.PasswordRequests.clear();
    Connect(file);
    if (file.endsWith(".ppk")) TrustHostKey();
    ASSERT_TRUE(PassphraseAsked(1));
    driver.CancelPassword();
    ASSERT_TRUE(NotConnected());
    EXPECT_TRUE(view.Errors.isEmpty());
  }
}

TEST_F(KeyLoginTest, TheAgentLogsInWithNoPasswordAndSaysSo) {
  const QString socket = FKeys.filePath("agent.sock");
  FAgent.start("ssh-agent", {"-D", "-a", socket});
  ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(socket); }, 5000));
  qputenv("SSH_AUTH_SOCK", QFile::encodeName(socket));
  QProcess add;
  add.start("ssh-add", {Key("plain")});
  ASSERT_TRUE(add.waitForFinished());
  ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();

  Connect(QString());
  TrustHostKey();
  ASSERT_TRUE(Listed()) << view.DebugText.toStdString();
  EXPECT_EQ(view.Status[0], "Connected (SSH agent)") << view.DebugText.toStdString();
  EXPECT_TRUE(view.PasswordRequests.empty());
  driver.Disconnect();
  ASSERT_TRUE(NotConnected());
  qunsetenv("SSH_AUTH_SOCK");
}

}  // namespace

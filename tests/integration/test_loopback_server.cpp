// The loopback server's failure modes, driven by the real psftp as the
// application starts it (-v, -pwfile, no terminal). The expected texts are
// what psftp 0.78 prints, so the application's parsers have them on record.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "TempHome.h"
#include "TestServer.h"
#include "WaitFor.h"

namespace {

// What psftp prints on standard error when the connection goes without a
// disconnect message: the first when the server's socket closes cleanly, the
// second when psftp still had bytes on their way to it.
const QRegularExpression kConnectionLost(
    "^FATAL ERROR: (Remote side unexpectedly closed network connection|"
    "Connection reset by peer)$");

// A deterministic sample that is not all one byte, so a misplaced block shows.
QByteArray Sample(int Size) {
  QByteArray bytes(Size, '\0');
  for (int i = 0; i < Size; ++i) bytes[i] = char((i * 7 + i / 251) % 256);
  return bytes;
}

QByteArray ReadLocal(const QString& Path) {
  QFile file(Path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs of one line (psftp repeats "error while writing local file" once per
// block still on its way, a number that varies) shown once.
QString Collapsed(const QString& Text) {
  QStringList kept;
  for (const QString& line : Text.split('\n'))
    if (kept.isEmpty() || kept.last() != line) kept << line;
  return kept.join('\n');
}

struct PsftpOptions {
  bool Password = true;      // -pwfile with the server's password
  QString KeyFile;           // -i
  qint64 FileSizeLimit = 0;  // RLIMIT_FSIZE of psftp, 0 for none
};

// One psftp process. Standard output and standard error are kept apart.
class Psftp {
 public:
  Psftp(const TestServer& Server, const QString& LocalDir, const PsftpOptions& Options = {}) {
    const QString program = QStandardPaths::findExecutable("psftp");
    if (program.isEmpty()) {
      ADD_FAILURE() << "psftp is not installed";
      return;
    }
    QStringList args{"-v", "-P", QString::number(Server.Port()), "-hostkey",
                     Server.HostKeyFingerprint()};
    if (Options.Password) {
      QFile file(FPasswordDir.filePath("pw"));
      if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write the password file";
      file.write(Server.Password().toUtf8());
      args << "-pwfile" << file.fileName();
    }
    if (!Options.KeyFile.isEmpty()) args << "-i" << Options.KeyFile;
    args << "-l" << Server.User() << "127.0.0.1";
    const rlim_t limit = rlim_t(Options.FileSizeLimit);
    FProcess.setChildProcessModifier([limit] {
      // Without a terminal psftp asks its questions on standard error and
      // reads the answers from standard input, as under the application.
      setsid();
      if (limit) {
        // Ignored, SIGXFSZ would not kill psftp; its write() fails with EFBIG.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fsize);
      }
    });
    FProcess.setWorkingDirectory(LocalDir);
    FProcess.start(program, args);
    if (!FProcess.waitForStarted(10000)) ADD_FAILURE() << "psftp did not start";
  }
  ~Psftp() {
    if (FProcess.state() != QProcess::NotRunning) {
      FProcess.kill();
      FProcess.waitForFinished(5000);
    }
  }

  void Send(const QByteArray& Lines) { FProcess.write(Lines); }

  bool WaitForOut(const QString& Text, int TimeoutMs = 15000) {
    return WaitFor(
        [&] {
          Collect();
          return Out.contains(Text);
        },
        TimeoutMs);
  }
  bool WaitForErr(const QString& Text, int TimeoutMs = 15000) {
    return WaitFor(
        [&] {
          Collect();
          return Err.contains(Text);
        },
        TimeoutMs);
  }
  // Waits for psftp to end, on its own or (Close) at the end of its input.
  bool Finish(bool Close = true, int TimeoutMs = 15000) {
    if (Close) FProcess.closeWriteChannel();
    const bool ended = WaitFor([&] { return FProcess.state() == QProcess::NotRunning; }, TimeoutMs);
    Collect();
    return ended;
  }
  bool Running() const { return FProcess.state() != QProcess::NotRunning; }
  int ExitCode() const { return FProcess.exitCode(); }

  // The text psftp printed after each of its prompts: [0] is what stands
  // before the first prompt, [n] the answer to the n-th command.
  QStringList Answers() const { return Out.split("psftp> "); }
  QStringList ErrLines() const { return Err.split('\n', Qt::SkipEmptyParts); }
  QString Transcript() const { return "stdout:\n" + Out + "\nstderr:\n" + Err; }

  QString Out, Err;

 private:
  void Collect() {
    Out += QString::fromUtf8(FProcess.readAllStandardOutput());
    Err += QString::fromUtf8(FProcess.readAllStandardError());
  }

  QTemporaryDir FPasswordDir;
  QProcess FProcess;
};

class LoopbackServerTest : public ::testing::Test {
 protected:
  QString Local(const QString& Name) const { return FLocal.filePath(Name); }
  void WriteLocal(const QString& Name, const QByteArray& Bytes) {
    QFile file(Local(Name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
  }

  TempHome FHome;
  QTemporaryDir FLocal;
  TestServer FServer;
};

// ---------------------------------------------------------------- transfers

TEST_F(LoopbackServerTest, TransferBrokenPartwayKeepsTheBytesBeforeTheBreakAndTheSession) {
  const QByteArray big = Sample(300000);
  struct Case {
    const char* Name;
    std::function<void(TestServer&)> Arrange;
    qint64 FileSizeLimit;
    QByteArray Command;
    QString Answer;  // runs of one line collapsed
    bool KeptOnServer;
    QString KeptFile;
    int KeptSize;
  };
  const Case cases[] = {
      {"server read fails", [](TestServer& s) { s.FailReadAfter("/www/big*", 100000); }, 0,
       "get big.bin\n",
       "remote:/www/big.bin => local:big.bin\n"
       "error while reading: failure\n",
       false, "big.bin", 100000},
      {"server write fails", [](TestServer& s) { s.FailWriteAfter("/www/up*", 70000); }, 0,
       "put source.bin up.bin\n",
       "local:source.bin => remote:/www/up.bin\n"
       "error while writing: failure\n",
       true, "/www/up.bin", 70000},
      {"local write fails", [](TestServer&) {}, 50000, "get big.bin\n",
       "remote:/www/big.bin => local:big.bin\n"
       "error while writing local file\n",
       false, "big.bin", 50000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestServer server;
    c.Arrange(server);
    server.WriteFile("/www/big.bin", big);
    ASSERT_TRUE(server.Start());
    QTemporaryDir local;
    QFile source(local.filePath("source.bin"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(big);
    source.close();

    Psftp psftp(server, local.path(), {true, QString(), c.FileSizeLimit});
    psftp.Send("cd /www\n" + c.Command + "pwd\nbye\n");
    ASSERT_TRUE(psftp.Finish()) << psftp.Transcript().toStdString();
    const QStringList answers = psftp.Answers();
    ASSERT_EQ(answers.size(), 5) << psftp.Transcript().toStdString();
    EXPECT_EQ(Collapsed(answers[2]), c.Answer);
    // Not fatal: psftp carries on with the next command and ends normally.
    EXPECT_EQ(answers[3], "Remote directory is /www\n");
    EXPECT_EQ(psftp.ExitCode(), 0);
    const QByteArray kept =
        c.KeptOnServer ? server.ReadFile(c.KeptFile) : ReadLocal(local.filePath(c.KeptFile));
    EXPECT_EQ(kept.size(), c.KeptSize);
    EXPECT_TRUE(kept == big.left(c.KeptSize));
  }
}

TEST_F(LoopbackServerTest, StalledReadHangsTheSessionWhileTheServerLivesOn) {
  FServer.WriteFile("/www/big.bin", Sample(300000));
  FServer.StallReadAfter("/www/big.bin", 100000);
  ASSERT_TRUE(FServer.Start());
  Psftp psftp(FServer, FLocal.path());
  psftp.Send("cd /www\nget big.bin\n");
  ASSERT_TRUE(WaitFor([&] { return QFileInfo(Local("big.bin")).size() == 100000; }))
      << psftp.Transcript().toStdString();
  // psftp buffers its standard output when it is a pipe: even the
  // "remote:... => local:..." line stays unseen until the transfer ends.
  EXPECT_FALSE(psftp.WaitForOut("remote:", 1500));
  EXPECT_EQ(psftp.Answers().last(), "") << psftp.Transcript().toStdString();
  EXPECT_TRUE(psftp.Running());
  EXPECT_EQ(QFileInfo(Local("big.bin")).size(), 100000);

  // Another session is served as usual.
  Psftp second(FServer, FLocal.path());
  second.Send("ls /www/sub\nbye\n");
  ASSERT_TRUE(second.Finish()) << second.Transcript().toStdString();
  EXPECT_TRUE(second.Out.contains(" inner.txt\n")) << second.Transcript().toStdString();
}

TEST_F(LoopbackServerTest, PausedServerAnswersNothingUntilResumed) {
  ASSERT_TRUE(FServer.Start());
  Psftp psftp(FServer, FLocal.path());
  ASSERT_TRUE(psftp.WaitForOut("psftp> ")) << psftp.Transcript().toStdString();
  FServer.Pause();
  psftp.Send("ls /www/sub\n");
  EXPECT_FALSE(psftp.WaitForOut("Listing directory", 1500));
  EXPECT_TRUE(psftp.Running());
  FServer.Resume();
  ASSERT_TRUE(psftp.WaitForOut(" inner.txt\npsftp> ")) << psftp.Transcript().toStdString();
  EXPECT_EQ(psftp.Answers()[1].section('\n', 0, 0), "Listing directory /www/sub");
  psftp.Send("bye\n");
  EXPECT_TRUE(psftp.Finish());
  EXPECT_EQ(psftp.ExitCode(), 0);
}

// ---------------------------------------------------------------- dropped connection

TEST_F(LoopbackServerTest, DroppedConnectionEndsPsftpWithAFatalError) {
  struct Case {
    const char* Name;
    std::function<void(TestServer&)> Arrange;
    QByteArray Commands;
    QStringList Answers;  // everything psftp printed on standard output
  };
  // With -v psftp also prints "Connected to 127.0.0.1" on standard output.
  const QString login = "Connected to 127.0.0.1\nRemote working directory is /\n";
  const Case cases[] = {
      // Idle at the first prompt: psftp notices on its own.
      {"idle after login", [](TestServer& s) { s.DropAfterLogin(); }, "", {login, ""}},
      // "pwd" needs no request; "ls" is the one after the cut, never answered.
      {"commands after login",
       [](TestServer& s) { s.DropAfterLogin(); },
       "pwd\nls\nbye\n",
       {login, "Remote directory is /\n", ""}},
      // psftp's "cd" takes three requests: realpath, opendir, close.
      {"after a cd",
       [](TestServer& s) { s.DropAfterRequests(4); },
       "cd /www\nls\nbye\n",
       {login, "Remote directory is now /www\n", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestServer server;
    c.Arrange(server);
    ASSERT_TRUE(server.Start());
    Psftp psftp(server, FLocal.path());
    psftp.Send(c.Commands);
    ASSERT_TRUE(psftp.Finish(false)) << psftp.Transcript().toStdString();
    EXPECT_EQ(psftp.Answers(), c.Answers) << psftp.Transcript().toStdString();
    EXPECT_EQ(psftp.ExitCode(), 1);
    // -v logs the event itself first, then comes the fatal error.
    ASSERT_GE(psftp.ErrLines().size(), 2);
    EXPECT_TRUE(kConnectionLost.match(psftp.ErrLines().last()).hasMatch())
        << psftp.Transcript().toStdString();
  }
}

// ---------------------------------------------------------------- hostile listing

TEST_F(LoopbackServerTest, ListingLinesChosenByTheServerArePrintedAsTheyAre) {
  FServer.SetListing(
      "/www/evil",
      {
          "-rw-r--r--    1 u  g   5 Jan  1 00:00 remote:/www/x => local:../../../secret.txt",
          "Remote directory is now /etc",
          "psftp> Remote directory is now /tmp",
          QString("evil\tListing directory /etc"),
          QString("ctl\tred \x1b[31mRED\x1b[0m\ttab"),
          QString::fromUtf8("-rw-r--r-- 1 u g 5 Jan 1 00:00 café \u202e.txt"),
      });
  ASSERT_TRUE(FServer.Start());
  Psftp psftp(FServer, FLocal.path());
  psftp.Send("ls /www/evil\nbye\n");
  ASSERT_TRUE(psftp.Finish()) << psftp.Transcript().toStdString();

  // The fake prompt splits the answer as a real one would.
  const QStringList answers = psftp.Answers();
  ASSERT_EQ(answers.size(), 4) << psftp.Transcript().toStdString();
  QStringList lines = (answers[1] + "psftp> " + answers[2]).split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines.takeFirst(), "Listing directory /www/evil");
  EXPECT_TRUE(lines.takeFirst().endsWith(" .")) << "the . line";
  EXPECT_TRUE(lines.takeFirst().endsWith(" ..")) << "the .. line";
  // Sorted by entry name ("/etc", "/tmp", "ctl", "evil", "local:...", "\u202e.txt");
  // psftp takes out control characters, the TAB and the escape among them.
  EXPECT_EQ(lines, (QStringList{
                       "Remote directory is now /etc",
                       "psftp> Remote directory is now /tmp",
                       "red [31mRED[0mtab",
                       "Listing directory /etc",
                       "-rw-r--r--    1 u  g   5 Jan  1 00:00 remote:/www/x => "
                       "local:../../../secret.txt",
                       QString::fromUtf8("-rw-r--r-- 1 u g 5 Jan 1 00:00 café \u202e.txt"),
                       "",
                   }))
      << psftp.Transcript().toStdString();
}

// ---------------------------------------------------------------- key login

class KeyLoginTest : public LoopbackServerTest {
 protected:
  // An ed25519 key pair commented Comment: Name (OpenSSH) and Name.ppk (PuTTY).
  void MakeKey(const QString& Name, const QString& Comment, const QByteArray& Passphrase = {}) {
    const QString key = FKeys.filePath(Name);
    ASSERT_EQ(QProcess::execute("ssh-keygen",
                                {"-q", "-t", "ed25519", "-N", "", "-C", Comment, "-f", key}),
              0);
    QStringList convert{key, "-O", "private", "-o", key + ".ppk"};
    if (!Passphrase.isEmpty()) {
      QFile file(key + ".pass");
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(Passphrase);
      file.close();
      convert << "--new-passphrase" << file.fileName();
    }
    ASSERT_EQ(QProcess::execute("puttygen", convert), 0);
  }
  QString Key(const QString& Name) const { return FKeys.filePath(Name); }

  void SetUp() override {
    if (QStandardPaths::findExecutable("ssh-keygen").isEmpty() ||
        QStandardPaths::findExecutable("puttygen").isEmpty())
      GTEST_SKIP() << "ssh-keygen and puttygen make the keys";
    MakeKey("accepted", "testkey");
    MakeKey("other", "otherkey");
    MakeKey("locked", "lockedkey", "pass1");
    FServer.AuthorizeKey(Key("accepted.pub"));
    FServer.AuthorizeKey(Key("locked.pub"));
    ASSERT_TRUE(FServer.Start());
  }

  QTemporaryDir FKeys;
};

TEST_F(KeyLoginTest, ServerTakesAuthorizedKeysAndFallsBackToThePassword) {
  struct Case {
    const char* Name;
    QString Key;
    bool Password;
    bool LoggedIn;
    QStringList ErrLines;  // in this order among psftp's -v lines
  };
  const Case cases[] = {
      {"authorized key",
       "accepted",
       false,
       true,
       {"Using username \"tester\".", "Offered public key", "Offer of public key accepted",
        "Authenticating with public key \"testkey\"", "Access granted"}},
      {"other key, password",
       "other",
       true,
       true,
       {"Using username \"tester\".", "Offered public key", "Server refused our key",
        "Attempting keyboard-interactive authentication",
        "Keyboard-interactive authentication prompts from server:",
        "End of keyboard-interactive prompts from server", "Access granted"}},
      // The password question is asked and finds the end of the input.
      {"other key, no password",
       "other",
       false,
       false,
       {"Server refused our key",
        "Keyboard-interactive authentication prompts from server:", "| Password:"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Psftp psftp(FServer, FLocal.path(), {c.Password, Key(c.Key + ".ppk"), 0});
    if (c.LoggedIn) psftp.Send("pwd\nbye\n");
    ASSERT_TRUE(psftp.Finish()) << psftp.Transcript().toStdString();
    const QStringList err = psftp.ErrLines();
    int at = 0;
    for (const QString& line : c.ErrLines) {
      const int found = err.indexOf(line, at);
      EXPECT_GE(found, 0) << line.toStdString() << "\n" << psftp.Transcript().toStdString();
      at = std::max(at, found + 1);
    }
    if (c.LoggedIn) {
      EXPECT_EQ(psftp.Answers(),
                (QStringList{"Connected to 127.0.0.1\nRemote working directory is /\n",
                             "Remote directory is /\n", ""}));
      EXPECT_EQ(psftp.ExitCode(), 0);
    } else {
      // Nothing on standard output (psftp ends without writing out even its
      // buffered "Connected to" line) and no "FATAL ERROR" line either.
      EXPECT_EQ(psftp.Out, "");
      EXPECT_FALSE(psftp.Err.contains("FATAL")) << psftp.Transcript().toStdString();
      EXPECT_EQ(psftp.ExitCode(), 1);
    }
  }
}

TEST_F(KeyLoginTest, PassphraseIsAskedOnStandardErrorUntilRight) {
  Psftp psftp(FServer, FLocal.path(), {false, Key("locked.ppk"), 0});
  const QString prompt = "Passphrase for key \"lockedkey\": ";
  ASSERT_TRUE(psftp.WaitForErr(prompt)) << psftp.Transcript().toStdString();
  // One answer per prompt: psftp reads what is there, and a second line
  // written with the first would be lost.
  psftp.Send("wrong\n");
  ASSERT_TRUE(psftp.WaitForErr(prompt + "\nWrong passphrase\n" + prompt))
      << psftp.Transcript().toStdString();
  psftp.Send("pass1\n");
  ASSERT_TRUE(psftp.WaitForOut("psftp> ")) << psftp.Transcript().toStdString();
  // The question comes only once the server has taken the key's offer.
  EXPECT_TRUE(psftp.Err.contains(
      "Offer of public key accepted\n"
      "Authenticating with public key \"lockedkey\"\n" +
      prompt + "\nWrong passphrase\n" + prompt + "\nSent public key signature\nAccess granted\n"))
      << psftp.Transcript().toStdString();
  psftp.Send("bye\n");
  EXPECT_TRUE(psftp.Finish());
  EXPECT_EQ(psftp.ExitCode(), 0);
}

// ---------------------------------------------------------------- names psftp could misread

TEST_F(LoopbackServerTest, NamesThatLookLikeOptionsPatternsAndLinks) {
  FServer.WriteFile("/www/-dash.txt", "dash\n");
  FServer.WriteFile("/www/-dir/f.txt", "in\n");
  FServer.WriteFile("/www/b[1].txt", "bracket\n");
  ASSERT_TRUE(FServer.Start());
  ASSERT_TRUE(QFile::link("notes.txt", FServer.Served("/www/link")));
  WriteLocal("local", "local\n");

  const auto exact = [](const QString& s) {
    return QRegularExpression::anchoredPattern(QRegularExpression::escape(s));
  };
  const QString longLine = R"(-rw-\S+ +\d+ \S+ +\S+ +\d+ \w{3} [ \d]\d +[\d:]+ )";
  const struct {
    QByteArray Command;
    QString Answer;  // a pattern for the whole answer
  } cases[] = {
      {"cd /www", exact("Remote directory is now /www\n")},
      {R"(get -- "-dash.txt")", exact("remote:/www/-dash.txt => local:-dash.txt\n")},
      {R"(get "-dash.txt")", exact("get: unrecognised option '-dash.txt'\n")},
      {R"(put -- "local" "-r")", exact("local:local => remote:/www/-r\n")},
      // cd takes no options: "--" is the folder's name.
      {R"(cd -- "-dir")", exact("Directory /www/--: no such file or directory\n")},
      {R"(cd "-dir")", exact("Remote directory is now /www/-dir\n")},
      {"cd ..", exact("Remote directory is now /www\n")},
      // psftp resolves the link first and names its target.
      {"cd link", exact("Directory /www/notes.txt: no such file or directory\n")},
      {"get link copy.txt", exact("remote:/www/notes.txt => local:copy.txt\n")},
      {R"(ls "note?.t[x]t")", QRegularExpression::anchoredPattern("Listing directory /www\n" +
                                                                  longLine + "notes\\.txt\n")},
      // A pattern never matches its own brackets; a backslash takes them literally.
      {R"(ls "b[1].txt")", exact("Listing directory /www\n")},
      {R"(ls "b\[1\].txt")", exact("Listing directory /www/b[1].txt\n"
                                   "Unable to open b[1].txt: no such file or directory\n")},
  };
  Psftp psftp(FServer, FLocal.path());
  QByteArray script;
  for (const auto& c : cases) script += c.Command + "\n";
  psftp.Send(script + "bye\n");
  ASSERT_TRUE(psftp.Finish()) << psftp.Transcript().toStdString();
  const QStringList answers = psftp.Answers();
  ASSERT_EQ(answers.size(), int(std::size(cases)) + 2) << psftp.Transcript().toStdString();
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].Command.toStdString());
    EXPECT_TRUE(QRegularExpression(cases[i].Answer).match(answers[int(i) + 1]).hasMatch())
        << answers[int(i) + 1].toStdString();
  }
  EXPECT_EQ(ReadLocal(Local("-dash.txt")), "dash\n");
  EXPECT_EQ(FServer.ReadFile("/www/-r"), "local\n");
  EXPECT_EQ(ReadLocal(Local("copy.txt")), FServer.ReadFile("/www/notes.txt"));
}

}  // namespace

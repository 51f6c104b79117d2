// The real psftp against the loopback SFTP server, through the redirector
// and the connection driver.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "TestServer.h"
#include "WaitFor.h"
#include "process/VirtualRedirector.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"

namespace {

class PsftpSessionTest : public DriverSessionTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    view.Values.Port = server.Port();
  }

  bool Listed(const QString& item, int page = 0) {
    return WaitFor([&] { return view.Page(page)->Items.contains(item) && !view.BusyCursor; });
  }
  // Connects, answering the host-key question with Answer when it comes.
  void Connect(THostKeyAnswer answer = THostKeyAnswer::Trust) {
    view.ConnectAction(driver);
    ASSERT_EQ(view.Status[0], "Connecting...");
    ASSERT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }));
    // psftp waits on the question: were Quillery killed now, no file would
    // hold the password.
    if (!view.Values.Password.isEmpty()) {
      EXPECT_EQ(home.FilesHolding(view.Values.Password), QStringList());
    }
    driver.AnswerHostKey(answer);
  }
  void Disconnect() {
    driver.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
    EXPECT_EQ(view.Status[0], "Not connected");
  }
};

TEST_F(PsftpSessionTest, FirstConnectAsksForTheHostKeyThenListsTheStartingDirectory) {
  Connect(THostKeyAnswer::Trust);
  const THostKeyRequest& request = view.HostKeyRequests[0];
  EXPECT_EQ(request.Kind, THostKeyRequest::hkNewKey);
  EXPECT_EQ(request.Host, "127.0.0.1");
  EXPECT_EQ(request.Port, server.Port());
  EXPECT_TRUE(request.Fingerprint.startsWith("SHA256:")) << request.Fingerprint.toStdString();

  ASSERT_TRUE(Listed("my notes.txt")) << view.DebugText.toStdString();
  EXPECT_TRUE(driver.Connected());
  EXPECT_EQ(view.Status[0], "Connected");
  EXPECT_EQ(view.WindowCaption, "Quillery - 127.0.0.1");
  EXPECT_EQ(driver.CurrentDir(), "/www");
  EXPECT_EQ(view.Page(0)->Items,
            (QStringList{"[..]", "[sub]", "app.js", QString::fromUtf8("café+(1).txt"), "index.html",
                         "my notes.txt", "notes.txt", "style.css"}));
  EXPECT_TRUE(view.DebugText.contains("cd \"/www\"\r\n"));
  EXPECT_TRUE(view.DebugText.contains("ls\r\n"));

  // psftp's argv[0] is its name; the password never stood on its command
  // line, and came through a pipe, not a file.
  QFile cmdline(QString("/proc/%1/cmdline").arg(redirector.ChildProcessID()));
  ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
  const QList<QByteArray> args = cmdline.readAll().split('\0');
  EXPECT_EQ(args.value(0), "psftp");
  EXPECT_FALSE(args.contains(server.Password().toUtf8()));
  const int pwfile = int(args.indexOf("-pwfile"));
  ASSERT_GE(pwfile, 0);
  EXPECT_TRUE(args.value(pwfile + 1).startsWith("/dev/fd/")) << args.value(pwfile + 1).constData();
  EXPECT_TRUE(QDir(WorkFolder()).entryList({"pw-*"}, QDir::Files).isEmpty());

  Disconnect();
  EXPECT_FALSE(driver.Connected());
  EXPECT_EQ(view.ConnectCaption, "Connect to Server...");

  // The key is cached now: the second connect asks nothing.
  view.HostKeyRequests.clear();
  view.Page(0)->Items.clear();
  view.ConnectAction(driver);
  ASSERT_TRUE(Listed("my notes.txt"));
  EXPECT_TRUE(view.HostKeyRequests.empty());
  Disconnect();
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(PsftpSessionTest, AbandoningAtTheHostKeyEndsNotConnected) {
  Connect(THostKeyAnswer::Abandon);
  ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
  EXPECT_FALSE(driver.Connected());
  EXPECT_EQ(view.Status[0], "Not connected");
  EXPECT_FALSE(view.BusyCursor);
}

TEST_F(PsftpSessionTest, WrongPasswordReportsPsftpsFatalError) {
  view.Values.Password = "wrong";
  Connect(THostKeyAnswer::Once);
  ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }, 20000));
  EXPECT_EQ(view.Status[0], "Not connected");
  ASSERT_FALSE(view.Errors.isEmpty()) << view.DebugText.toStdString();
  EXPECT_EQ(view.Errors.last(),
            "The server did not accept the password for " + server.User() + " on 127.0.0.1.");
  EXPECT_EQ(view.ErrorDetails.value(0), "FATAL ERROR: Configured password was not accepted");
  EXPECT_TRUE(QDir(WorkFolder()).entryList({"pw-*"}, QDir::Files).isEmpty());
}

TEST_F(PsftpSessionTest, MissingPasswordIsAskedFor) {
  view.Values.Password.clear();
  Connect(THostKeyAnswer::Once);
  ASSERT_TRUE(WaitFor([&] { return !view.PasswordRequests.empty(); }));
  driver.AnswerPassword(server.Password().toUtf8());
  ASSERT_TRUE(Listed("index.html"));
  Disconnect();
}

TEST_F(PsftpSessionTest, OddNamesOpenAndRefusalsEndTheWait) {
  Connect();
  ASSERT_TRUE(Listed("my notes.txt"));
  for (const QString& name : {QString("my notes.txt"), QString::fromUtf8("café+(1).txt")}) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(view.Page(0)->Select(name));
    editing.OpenSelected(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return view.Page(0)->Caption() == name && !view.BusyCursor; }))
        << view.DebugText.toStdString();
    EXPECT_EQ(view.Page(0)->Text, server.ReadFile("/www/" + name));
    EXPECT_EQ(view.Page(0)->RemoteFileName(), ("/www/" + name).toUtf8());
  }

  // The folder goes away on the server before the double click.
  QDir(server.Served("/www/sub")).removeRecursively();
  ASSERT_TRUE(view.Page(0)->Select("[sub]"));
  editing.OpenSelected(view.ActivePage());
  ASSERT_TRUE(WaitFor([&] { return !view.BusyCursor; }));
  EXPECT_EQ(view.Status[0], "No such file or directory: sub");
  EXPECT_TRUE(view.StatusToolTip[0].contains("/www/sub")) << view.StatusToolTip[0].toStdString();
  EXPECT_FALSE(driver.Busy());
  Disconnect();
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(PsftpSessionTest, ChangedHostKeyRaisesTheWarning) {
  const QString keyFile = home.Path() + "/key1";
  TestServer first;
  first.SetHostKeyFile(keyFile);
  ASSERT_TRUE(first.Start());
  view.Values.Port = first.Port();
  Connect(THostKeyAnswer::Trust);
  ASSERT_TRUE(Listed("index.html"));
  Disconnect();
  const int port = first.Port();
  first.Stop();

  // Another server, another key, the same address.
  TestServer second;
  second.SetHostKeyFile(home.Path() + "/key2");
  second.SetPort(port);
  ASSERT_TRUE(second.Start());
  view.HostKeyRequests.clear();
  Connect(THostKeyAnswer::Abandon);
  EXPECT_EQ(view.HostKeyRequests[0].Kind, THostKeyRequest::hkChangedKey);
  ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
  EXPECT_EQ(view.Status[0], "Not connected");
}

}  // namespace

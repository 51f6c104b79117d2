// The connection state tells the truth, and every listed name opens the file
// it names: the real psftp (or a stand-in for psftp's end) against the
// loopback server, through the redirector and the driver.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "core/Exception.h"
#include "process/VirtualRedirector.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"

namespace {

class ConnectionStateTest : public DriverSessionTest {
 protected:
  // Starts psftp; the host key is trusted the first time it is asked for.
  void StartPsftp() {
    view.Values.Port = server.Port();
    view.HostKeyRequests.clear();
    view.ConnectAction(driver);
    while (redirector.Running() && !driver.Connected() && view.HostKeyRequests.empty())
      WaitFor([&] {
        return !redirector.Running() || driver.Connected() || !view.HostKeyRequests.empty();
      });
    if (!view.HostKeyRequests.empty()) driver.AnswerHostKey(THostKeyAnswer::Trust);
  }
  bool Listed(const QString& Item) {
    return WaitFor([&] { return view.Page(0)->Items.contains(Item) && !driver.Busy(); });
  }
  void ExpectNotConnected() {
    ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }, 10000))
        << view.DebugText.toStdString();
    // Let whatever the redirector still delivers arrive.
    WaitFor([] { return false; }, 300);
    EXPECT_FALSE(driver.Connected());
    EXPECT_EQ(view.Status[0], "Not connected");
    EXPECT_EQ(view.ConnectCaption, "Connect to Server...");
    EXPECT_FALSE(view.NewOpenEnabled);
    EXPECT_FALSE(view.BusyCursor);
  }
};

// A psftp that prints its login line and ends at once: its last output may
// reach the driver after its end.
TEST_F(ConnectionStateTest, PsftpThatEndsAfterItsLoginLineLeavesNotConnected) {
  QTemporaryDir bin;
  QFile script(bin.path() + "/psftp");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nprintf 'Remote working directory is /\\npsftp> '\n");
  script.close();
  script.setPermissions(script.permissions() | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8() + ":" + path);
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE(run);
    view.ConnectAction(driver);
    ExpectNotConnected();
  }
  qputenv("PATH", path);
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(ConnectionStateTest, ServerThatDropsRightAfterLoginLeavesNotConnected) {
  server.DropAfterLogin();
  ASSERT_TRUE(server.Start());
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    StartPsftp();
    ExpectNotConnected();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(ConnectionStateTest, DisconnectBeforeTheFirstListingEndsPsftp) {
  ASSERT_TRUE(server.Start());
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    StartPsftp();
    ASSERT_TRUE(WaitFor([&] { return driver.Connected(); })) << view.DebugText.toStdString();
    view.ConnectAction(driver);  // the action reads Disconnect now
    ExpectNotConnected();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// The server stops answering in the middle of a download: psftp never reads
// "bye", so Disconnect ends it.
TEST_F(ConnectionStateTest, DisconnectEndsAPsftpStuckOnAStalledServer) {
  server.WriteFile("/www/big.txt", QByteArray(1024 * 1024, 'x'));
  server.StallReadAfter("/www/big.txt", 10000);
  ASSERT_TRUE(server.Start());
  StartPsftp();
  ASSERT_TRUE(Listed("big.txt"));
  ASSERT_TRUE(view.Page(0)->Select("big.txt"));
  editing.OpenSelected(view.ActivePage());
  WaitFor([] { return false; }, 500);
  ASSERT_TRUE(driver.Busy());
  driver.Disconnect();
  ExpectNotConnected();
  EXPECT_TRUE(view.DebugText.contains("a command was still unanswered"));
  EXPECT_EQ(view.Page(0)->Caption(), "Untitled");
  EXPECT_TRUE(QDir(GetTempFolder()).isEmpty(QDir::Files | QDir::Hidden));
  EXPECT_TRUE(QDir(WorkFolder()).isEmpty(QDir::Files | QDir::Hidden));
}

// With no psftp to start, nothing will end the attempt later: the panel must
// not go on saying "Connecting...", and the password file must not stay.
TEST_F(ConnectionStateTest, AStartThatFailsShowsNotConnectedAgain) {
  QTemporaryDir bin;  // holds no psftp
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8());
  QString thrown;
  try {
    view.ConnectAction(driver);
  } catch (const Exception& e) {
    thrown = e.Message();
  }
  qputenv("PATH", path);
  EXPECT_TRUE(thrown.startsWith("Unable to locate the application")) << thrown.toStdString();
  EXPECT_EQ(view.Status[0], "Not connected");
  EXPECT_FALSE(driver.Connected());
  EXPECT_FALSE(redirector.Running());
  EXPECT_TRUE(QDir(WorkFolder()).entryList({"pw-*"}, QDir::Files).isEmpty());
}

// A psftp that does not end after "bye" is ended a little later: a stopped
// psftp reads nothing.
TEST_F(ConnectionStateTest, PsftpThatIgnoresByeIsEnded) {
  ASSERT_TRUE(server.Start());
  driver.SetByeTimeout(300);
  StartPsftp();
  ASSERT_TRUE(Listed("notes.txt")) << view.DebugText.toStdString();
  ASSERT_EQ(::kill(pid_t(redirector.ChildProcessID()), SIGSTOP), 0);
  driver.Disconnect();
  ExpectNotConnected();
  EXPECT_TRUE(view.DebugText.contains("psftp did not end after \"bye\", so it was ended"));
}

// Each name opens the file it names and saves back to it, and to nothing else.
TEST_F(ConnectionStateTest, EveryListedNameOpensAndSavesItsOwnFile) {
  const QString longName = QString(251, 'n') + ".txt";  // 255 bytes, the most a name holds
  const QStringList names{"back\\slash.txt",  "slash.txt", "-dash.txt", "-r",
                          "x => local:y.txt", "y.txt",     longName};
  for (const QString& name : names) server.WriteFile("/www/" + name, name.toUtf8() + " text\n");
  QDir().mkpath(server.Served("/www/releases/v2"));
  server.WriteFile("/www/releases/v2/deployed.txt", "deployed\n");
  ASSERT_TRUE(QFile::link("releases/v2", server.Served("/www/current")));
  ASSERT_TRUE(QFile::link("notes.txt", server.Served("/www/latest")));
  ASSERT_TRUE(server.Start());
  StartPsftp();
  ASSERT_TRUE(Listed("slash.txt")) << view.DebugText.toStdString();

  auto snapshot = [&] {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(server.Served("/www")).entryList(QDir::Files))
      files[name] = server.ReadFile("/www/" + name);
    return files;
  };
  for (const QString& name : names) {
    SCOPED_TRACE(name.left(40).toStdString());
    ASSERT_TRUE(view.Page(0)->Select(name));
    editing.OpenSelected(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy(); })) << view.DebugText.toStdString();
    EXPECT_EQ(view.Page(0)->Text, name.toUtf8() + " text\n") << view.Status[0].toStdString();
    QMap<QString, QByteArray> expected = snapshot();
    expected[name] = "edited " + name.toUtf8();
    view.Page(0)->Text = expected[name];
    view.Page(0)->SetSaved(false);
    editing.Save(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy(); })) << view.DebugText.toStdString();
    EXPECT_TRUE(view.Page(0)->Saved()) << view.Status[0].toStdString();
    EXPECT_EQ(snapshot(), expected);
  }

  // A link to a folder is entered; a link to a file is opened. Both keep
  // their place among the files.
  const QStringList items = view.Page(0)->Items;
  EXPECT_GT(items.indexOf("current"), items.indexOf("[releases]"));
  ASSERT_TRUE(view.Page(0)->Select("latest"));
  editing.OpenSelected(view.ActivePage());
  ASSERT_TRUE(WaitFor([&] { return !driver.Busy(); }));
  EXPECT_EQ(view.Page(0)->Text, server.ReadFile("/www/notes.txt"));
  ASSERT_TRUE(view.Page(0)->Select("current"));
  editing.OpenSelected(view.ActivePage());
  ASSERT_TRUE(Listed("deployed.txt")) << view.DebugText.toStdString();
  EXPECT_EQ(driver.CurrentDir(), "/www/releases/v2");
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace

// Links through the whole window against the loopback server: a link
// connects with the saved host and opens its file beside its folder, a
// second link (handed over the local socket, as a second start does) opens
// in the same connection, another host is asked about first, and the
// program's command line prints its help and version and hands a link on.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <Qsci/qsciscintilla.h>
#include <future>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/session/ConnectionDriver.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/ConnectDialog.h"
#include "ui/LinkServer.h"
#include "ui/MainWindow.h"

namespace {

// Names a shell and a link must both carry: blanks, a percent sign, a "+".
const QString kFolder = "/www/100% sure";
const QString kFile = "a b+c.txt";
const QString kFolderInLink = "/www/100%25%20sure";
const QString kFileInLink = "a%20b+c.txt";

class LinksTest : public ServerWindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Start());
    Server.WriteFile(kFolder + "/" + kFile, "from a link\n");
    SaveHost(Server.Port());
    ASSERT_TRUE(ShowAndWait(Form));
  }
  static void SaveHost(int Port) {
    TServers servers;
    servers.Load();
    servers.Add("127.0.0.1", "tester", "secret", "/www", Port);
    servers.Save();
  }
  QString Url(int Port, const QString& Path) const {
    return QString("sftp://tester@127.0.0.1:%1%2").arg(Port).arg(Path);
  }
  // Hands Link over the socket, as a second start of the program does,
  // while this thread's event loop lets the window take it.
  bool SendOverSocket(const QString& Link) {
    auto sent = std::async(std::launch::async, [Link] { return TLinkServer::Send(Link); });
    WaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return sent.get();
  }
  bool Shows(TPage* Page, const QString& Caption) {
    return WaitFor([&] { return Page->Caption() == Caption && Page->Saved(); });
  }
  // Connects with a link to the file in kFolder and waits for it.
  void ConnectWithLink() {
    Form.OpenLink(Url(Server.Port(), kFolderInLink + "/" + kFileInLink));
    ASSERT_NO_FATAL_FAILURE(TrustHostKey());
    ASSERT_TRUE(Shows(Form.ActivePage(), kFile)) << Diagnostics();
  }
};

TEST_F(LinksTest, ALinkConnectsAndASecondLinkOpensInTheSameConnection) {
  ASSERT_NO_FATAL_FAILURE(ConnectWithLink());
  TPage* first = Form.ActivePage();
  EXPECT_EQ(Form.ConnectDialogShown, 0);
  EXPECT_EQ(first->Editor()->text(), "from a link\n");
  EXPECT_EQ(first->Document().RemotePath, (kFolder + "/" + kFile).toUtf8());
  EXPECT_EQ(Form.PageCount(), 1);
  EXPECT_EQ(first->Dir()->Name(), kFolder);  // the file's folder is listed beside it
  EXPECT_TRUE(Item(kFile).isValid());

  TLinkServer links;
  ASSERT_TRUE(links.Listen([this](const QString& Link) { Form.OpenLink(Link); }));
  // scp's form, no user, no port: the saved host; the name taken as it is.
  ASSERT_TRUE(SendOverSocket("127.0.0.1:/www/my notes.txt"));
  ASSERT_TRUE(WaitFor([&] { return Form.PageCount() == 2; })) << Diagnostics();
  TPage* second = Form.ActivePage();
  ASSERT_TRUE(Shows(second, "my notes.txt")) << Diagnostics();
  EXPECT_EQ(second->Editor()->text().toUtf8(), Server.ReadFile("/www/my notes.txt"));
  EXPECT_EQ(first->Caption(), kFile);

  // A folder named without its last "/" is entered as a double-click does.
  ASSERT_TRUE(SendOverSocket(Url(Server.Port(), "/www/sub")));
  ASSERT_TRUE(WaitFor([&] { return Form.PageCount() == 3; })) << Diagnostics();
  ASSERT_TRUE(Listed("inner.txt")) << Diagnostics();
  EXPECT_EQ(Form.ActivePage()->Dir()->Name(), "/www/sub");
  EXPECT_TRUE(Form.Confirms.isEmpty());

  // A name the folder does not hold is said, and nothing else changes.
  Form.OpenLink(Url(Server.Port(), "/www/no%20such.txt"));
  ASSERT_TRUE(WaitFor([&] { return !Form.Errors.isEmpty(); })) << Diagnostics();
  EXPECT_EQ(Form.Errors, QStringList{"There is no no such.txt in /www on the server."});
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

TEST_F(LinksTest, AnotherHostIsAskedAboutBeforeDisconnecting) {
  ASSERT_NO_FATAL_FAILURE(ConnectWithLink());
  TestServer other;
  ASSERT_TRUE(other.Start());
  SaveHost(other.Port());
  const QString link = Url(other.Port(), "/www/notes.txt");
  const QString question = QString(
                               "Quillery is connected to tester@127.0.0.1:%1. "
                               "Disconnect and open %2?")
                               .arg(Server.Port())
                               .arg(link);

  Form.ConfirmAnswer = false;
  Form.OpenLink(link);
  EXPECT_EQ(Form.Confirms, QStringList{question});
  EXPECT_TRUE(Form.Driver().Connected());
  EXPECT_EQ(Form.Driver().Port(), Server.Port());

  Form.ConfirmAnswer = true;
  Form.OpenLink(link);
  ASSERT_NO_FATAL_FAILURE(TrustHostKey());
  ASSERT_TRUE(WaitFor([&] { return Form.Driver().Connected(); })) << Diagnostics();
  EXPECT_EQ(Form.Driver().Port(), other.Port());
  TPage* page = Form.ActivePage();
  ASSERT_TRUE(Shows(page, "notes.txt")) << Diagnostics();
  EXPECT_EQ(page->Editor()->text().toUtf8(), other.ReadFile("/www/notes.txt"));
  EXPECT_EQ(Form.Confirms.size(), 2);
}

// No saved host and no user: the connect dialog asks, filled in with what
// the link says.
TEST_F(LinksTest, WhatTheLinkLacksIsAskedInTheConnectDialog) {
  const QString link = QString("sftp://localhost:%1/www/").arg(Server.Port());
  Form.ConnectValues = LoginValues();
  Form.OpenLink(link);
  EXPECT_EQ(Form.ConnectDialogShown, 1);
  ASSERT_NO_FATAL_FAILURE(TrustHostKey());
  ASSERT_TRUE(Listed("index.html")) << Diagnostics();

  TSettings settings;
  TServers servers;
  TConnectDialog dialog(settings, servers);
  TConnectValues given;
  given.HostName = "example.com";
  given.Port = 2222;
  given.StartingDir = "/srv/a b";
  dialog.Prefill(given);
  dialog.FormShow();
  EXPECT_EQ(dialog.HostsBox->currentIndex(), -1);
  EXPECT_EQ(dialog.HostNameEdit->text(), "example.com");
  EXPECT_EQ(dialog.PortEdit->text(), "2222");
  EXPECT_EQ(dialog.UserNameEdit->text(), "");
  EXPECT_EQ(dialog.StartingDirEdit->text(), "/srv/a b");
  EXPECT_FALSE(dialog.SaveHostBox->isChecked());
  dialog.FormShow();  // only the showing it was given for
  EXPECT_EQ(dialog.HostNameEdit->text(), "127.0.0.1");
}

// ---------------------------------------------------------------- the program

struct TRun {
  int Code = -1;
  QString Out, Err;
};

// Runs the program, letting the event loop run meanwhile (a Quillery of
// the test's may have to answer it).
TRun RunProgram(const QStringList& Arguments) {
  QProcess process;
  process.start(QUILLERY_PROGRAM, Arguments);
  EXPECT_TRUE(process.waitForStarted());
  EXPECT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }));
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

TEST(Program, HelpAndVersionPrintAndEndWithoutAWindow) {
  TempHome home;
  const TRun help = RunProgram({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_TRUE(help.Out.contains("[options] [link]")) << help.Out.toStdString();
  EXPECT_TRUE(help.Out.contains("sftp://[user@]host[:port]/path")) << help.Out.toStdString();
  EXPECT_TRUE(help.Out.contains("--version")) << help.Out.toStdString();
  const TRun version = RunProgram({"--version"});
  EXPECT_EQ(version.Code, 0);
  EXPECT_EQ(version.Out, "Quillery 0.9\n");

  const TRun local = RunProgram({home.Path()});
  EXPECT_EQ(local.Code, 1);
  EXPECT_TRUE(local.Err.startsWith("quillery: " + home.Path() + " is a path on this computer"))
      << local.Err.toStdString();
  const TRun unknown = RunProgram({"--frobnicate"});
  EXPECT_EQ(unknown.Code, 1);
  EXPECT_TRUE(unknown.Err.contains("Unknown option 'frobnicate'.")) << unknown.Err.toStdString();
}

TEST(Program, ASecondStartHandsItsLinkToTheRunningOneAndEnds) {
  TempHome home;
  QStringList received;
  TLinkServer links;
  ASSERT_TRUE(links.Listen([&](const QString& Link) { received << Link; }));
  TLinkServer second;
  EXPECT_FALSE(second.Listen(nullptr));  // one Quillery takes links

  const QString link = "sftp://h/a%20b/100%25.txt";
  const TRun run = RunProgram({link});
  EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
  ASSERT_TRUE(WaitFor([&] { return !received.isEmpty(); }));
  EXPECT_EQ(received, QStringList{link});
}

}  // namespace

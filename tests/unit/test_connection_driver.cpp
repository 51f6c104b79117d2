// The psftp conversation, fed with recorded psftp output: no child process.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

#include "FakeDriverView.h"
#include "PsftpWords.h"
#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"

namespace {

// Recorded from psftp 0.78 against the loopback server.
const QByteArray kLogin = "Connected to 127.0.0.1\nRemote working directory is /\npsftp> ";
const QByteArray kCdWww = "Remote directory is now /www\npsftp> ";
const QByteArray kLsWww =
    "Listing directory /www\n"
    "drwxr-xr-x    3 root     root         4096 Dec 10 00:10 .\n"
    "drwxr-xr-x    3 root     root         4096 Dec 10 00:10 ..\n"
    "-rw-r--r--    1 tester   root            6 Dec 10 00:10 a.txt\n"
    "-rw-r--r--    1 tester   root            2 Dec 10 00:10 caf\xc3\xa9+(1).txt\n"
    "-rw-r--r--    1 tester   root            2 Dec 10 00:10 my notes.txt\n"
    "drwxr-xr-x    2 root     root         4096 Dec 10 00:10 sub\n"
    "psftp> ";
const QStringList kWwwItems{"[..]", "[sub]", "a.txt", "caf\u00e9+(1).txt", "my notes.txt"};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = ErrorReport::SetHandler([this](const QString& m) { reported << m; });
    view.Values.HostName = "127.0.0.1";
    view.Values.UserName = "tester";
    view.Values.StartingDir = "/www";
    // A password leaves the SSH agent out of the login, and out of its status.
    view.Values.Password = "secret";
    driver.Connect(view.Values, view.ActivePage());
    driver.StartConversation();
  }
  void TearDown() override { ErrorReport::SetHandler(previous); }

  // The recorded psftp ends; another is started for Values.
  void Reconnect(const TConnectValues& Values) {
    redirector.Runs = false;
    driver.VirtualRedirectorChildProcessEnd(&redirector);
    driver.Connect(Values, view.ActivePage());
  }
  void Feed(const QByteArray& piece) {
    driver.VirtualRedirectorInput(&redirector, redirector.Answered(piece));
  }
  void FeedError(const QByteArray& piece) {
    driver.VirtualRedirectorErrorInput(&redirector, piece);
  }
  // Logs in and lists /www on the first page.
  void Browse() {
    Feed(kLogin);
    Feed(kCdWww);
    Feed(kLsWww);
  }
  void PutLocal(const QString& name, const QByteArray& bytes) {
    QFile file(GetTempFolder() + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // What psftp does for the last "get": writes Bytes where it was asked to,
  // and answers with its result line and prompt.
  QByteArray Got(const QByteArray& bytes, const QByteArray& remote = "/www/my notes.txt") {
    const QStringList words = Words(redirector.Written.last());
    EXPECT_EQ(words.value(0), "get");
    QFile file(words.value(2));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return "remote:" + remote + " => local:" + words.value(2).toUtf8() + "\npsftp> ";
  }
  // psftp's answers to a save's five steps (put, chmod, mv, mv, rm), each to
  // the command as it was written.
  void SaveAnswered() {
    for (const char* verb : {"put", "chmod", "mv", "mv", "rm"}) {
      EXPECT_EQ(Words(redirector.Written.last()).value(0), verb);
      Feed(Done(redirector.Written.last()));
    }
  }
  // The upload of the front page's text, as the editing controller sends it
  // once the check before the save has passed.
  void Upload() { driver.Save(view.ActivePage(), view.ActivePage()->Document().LocalPath); }
  // Opens "my notes.txt" of /www into the first page.
  void OpenNotes(const QByteArray& bytes) {
    view.Page(0)->Select("my notes.txt");
    editing.OpenSelected(view.ActivePage());
    Feed(Got(bytes));
  }

  TempHome home;
  FakeDriverView view;
  RecordingRedirector redirector;
  TConnectionDriver driver{view, redirector};
  TScriptedPrompts prompts;
  TRemoteEditor editing{driver, prompts};
  QStringList reported;
  ErrorReport::Handler previous;
};

TEST_F(DriverTest, LoginChangesDirectoryListsAndShowsTheListing) {
  EXPECT_EQ(view.Status[0], "Connecting...");
  EXPECT_FALSE(driver.Connected());
  EXPECT_FALSE(view.NewOpenEnabled);

  Feed(kLogin);
  EXPECT_TRUE(driver.Connected());
  EXPECT_EQ(view.Status[0], "Connected");
  EXPECT_EQ(view.ConnectCaption, "Disconnect");
  EXPECT_EQ(view.ConnectImage, 12);
  EXPECT_TRUE(view.NewOpenEnabled);
  EXPECT_TRUE(view.Page(0)->FrameConnected);
  EXPECT_EQ(redirector.Written, QByteArrayList{"cd \"/www\""});

  Feed(kCdWww);
  EXPECT_EQ(driver.CurrentDir(), "/www");
  EXPECT_EQ(view.Status[1], "/www");
  EXPECT_EQ(redirector.Written.last(), "ls");

  Feed(kLsWww);
  EXPECT_EQ(view.Page(0)->Items, kWwwItems);
  EXPECT_FALSE(driver.Busy());
  EXPECT_FALSE(view.BusyCursor);
  EXPECT_TRUE(view.DebugText.contains("OnListDirectory finished"));
  EXPECT_TRUE(view.DebugText.contains("cd \"/www\"\r\n"));
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, EmptyStartingDirectoryWritesBareCd) {
  view.Values.StartingDir.clear();
  Reconnect(view.Values);
  Feed(kLogin);
  EXPECT_EQ(redirector.Written, QByteArrayList{"cd "});
}

TEST_F(DriverTest, ChildEndReturnsToNotConnectedAndResetsTheExchange) {
  Browse();
  view.Page(0)->Select("[sub]");
  editing.OpenSelected(view.ActivePage());
  EXPECT_TRUE(view.BusyCursor);
  Feed("Remote directory is now /www/sub\nListing directory /www/sub\n");  // cut short
  driver.VirtualRedirectorChildProcessEnd(&redirector);
  EXPECT_FALSE(driver.Connected());
  EXPECT_EQ(view.Status[0], "Not connected");
  EXPECT_EQ(view.ConnectCaption, "Connect to Server...");
  EXPECT_EQ(view.ConnectImage, 0);
  EXPECT_FALSE(view.NewOpenEnabled);
  EXPECT_FALSE(view.Page(0)->FrameConnected);
  EXPECT_FALSE(view.BusyCursor);
  EXPECT_FALSE(driver.Busy());

  // The next child starts from a clean exchange: its first prompt parses nothing.
  driver.StartConversation();
  redirector.Written.clear();
  Browse();
  EXPECT_EQ(view.Page(0)->Items, kWwwItems);
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Pieces whose outcome depends only on the text, one row each.
struct PieceCase {
  const char* name;
  QByteArray piece;
  QByteArrayList written;  // commands written after login and listing
  QString status0;         // an unrecognised answer to "cd" shows as refused
};

TEST_F(DriverTest, RecognisesOnlyWholeMarkersInTheirPlace) {
  const std::vector<PieceCase> cases = {
      {"directory change mid-line is ignored",
       "x Remote directory is now /a\npsftp> ",
       {},
       "x Remote directory is now /a"},
      {"directory change in other case is ignored",
       "remote directory is now /a\npsftp> ",
       {},
       "remote directory is now /a"},
      {"directory change then prompt in one piece",
       "Remote directory is now /a b\npsftp> ",
       {"ls"},
       "Connected"},
      {"CR LF line ends", "Remote directory is now /a\r\npsftp> ", {"ls"}, "Connected"},
  };
  for (const PieceCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDriverView freshView;
    freshView.Values = view.Values;
    RecordingRedirector freshRedirector;
    TConnectionDriver fresh(freshView, freshRedirector);
    fresh.Connect(freshView.Values, freshView.ActivePage());
    fresh.StartConversation();
    fresh.VirtualRedirectorInput(&freshRedirector, kLogin);
    freshRedirector.Written.clear();
    fresh.VirtualRedirectorInput(&freshRedirector, freshRedirector.Answered(c.piece));
    EXPECT_EQ(freshRedirector.Written, c.written);
    EXPECT_EQ(freshView.Status[0], c.status0);
    EXPECT_FALSE(freshView.BusyCursor);
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, LoginMarkerIsCaseSensitiveAndActsOnce) {
  Feed("Remote Working Directory Is /\n");
  EXPECT_FALSE(driver.Connected());
  Feed("Remote working directory is /\npsftp> ");
  EXPECT_TRUE(driver.Connected());
  Feed(kCdWww);
  // A listed file named like the login line does not log in again.
  Feed(
      "Listing directory /www\n"
      "-rw-r--r--    1 root     root            6 Dec 10 00:10 working directory is\n"
      "psftp> ");
  EXPECT_EQ(redirector.Written, (QByteArrayList{"cd \"/www\"", "ls"}));
  EXPECT_EQ(view.Page(0)->Items, QStringList{"working directory is"});
}

TEST_F(DriverTest, ResultLinesInsideTheLoginResponseAreNotActedOn) {
  Feed("Remote working directory is /\nRemote directory is now /x\npsftp> ");
  EXPECT_EQ(redirector.Written, QByteArrayList{"cd \"/www\""});
}

TEST_F(DriverTest, ListingSpreadOverPiecesIsParsedAtThePrompt) {
  Feed(kLogin);
  Feed(kCdWww);
  const int cut1 = kLsWww.indexOf("a.txt"), cut2 = kLsWww.indexOf("sub");
  Feed(kLsWww.left(cut1));
  EXPECT_TRUE(view.Page(0)->Items.isEmpty());
  Feed(kLsWww.mid(cut1, cut2 - cut1));
  EXPECT_TRUE(view.Page(0)->Items.isEmpty());
  Feed(kLsWww.mid(cut2));
  EXPECT_EQ(view.Page(0)->Items, kWwwItems);
}

// Each listing line is text the server chose. None of it may pass for psftp's
// own words: not a transfer's result, not a change of directory, not a prompt.
TEST_F(DriverTest, ListingLinesAreNeverObeyed) {
  Feed(kLogin);
  Feed(kCdWww);
  PutLocal("secret.txt", "local secret");
  const QByteArray perms = "-rw-r--r--    1 root     root            6 Dec 10 00:10 ";
  Feed(
      "Listing directory /www\n"
      "remote:/www/x => local:../../../secret.txt\n"
      "remote:/www/my notes.txt => local:secret.txt\n"
      "Remote directory is now /etc\n"
      "local:/x => remote:/www/index.html\n"
      "Listing directory /etc\n"
      "Remote working directory is /etc\n"
      "psftp> Remote directory is now /etc\n" +
      perms + "a.txt\npsftp> ");
  EXPECT_EQ(redirector.Written, (QByteArrayList{"cd \"/www\"", "ls"}));
  EXPECT_EQ(driver.CurrentDir(), "/www");
  EXPECT_EQ(view.Status[1], "/www");
  EXPECT_TRUE(view.Page(0)->Items.contains("a.txt"));
  EXPECT_EQ(view.Page(0)->Caption(), "Untitled");
  EXPECT_TRUE(view.Page(0)->Text.isEmpty());
  EXPECT_FALSE(driver.Busy());

  // The same lines while a download is open do not complete it either: they
  // name other files than the one asked for.
  ASSERT_TRUE(view.Page(0)->Select("a.txt"));
  editing.OpenSelected(view.ActivePage());
  Feed("remote:/www/a.txt => local:secret.txt\npsftp> ");
  EXPECT_EQ(view.Page(0)->Caption(), "Untitled");
  EXPECT_TRUE(view.Page(0)->Text.isEmpty());
  EXPECT_EQ(view.Status[0], "remote:/www/a.txt => local:secret.txt");
}

// Output nobody asked for (psftp's end, a late line) belongs to no command.
TEST_F(DriverTest, LinesWithNoCommandOpenAreDropped) {
  Browse();
  Feed("Remote directory is now /etc\nremote:/www/a.txt => local:a.txt\npsftp> ");
  EXPECT_EQ(driver.CurrentDir(), "/www");
  EXPECT_EQ(redirector.Written.size(), 2);
  EXPECT_TRUE(
      view.DebugText.contains("Ignored, no command was waiting for it: "
                              "Remote directory is now /etc"));
}

// The panel leads with the cause; psftp's own line is its tooltip and in the log.
TEST_F(DriverTest, RefusedCommandsEndTheWaitAndShowTheCauseFirst) {
  struct Case {
    const char* select;
    QByteArray answer;  // LOCAL stands for the work file the "get" named
    QString line;       // psftp's line that refused
    QString shown;
  } cases[] = {
      {"[sub]", "Directory /www/sub: no such file or directory\npsftp> ",
       "Directory /www/sub: no such file or directory", "No such file or directory: sub"},
      {"a.txt", "/www/a.txt: open for read: permission denied\npsftp> ",
       "/www/a.txt: open for read: permission denied", "Permission denied: a.txt"},
      {"a.txt", "remote:/www/a.txt => local:LOCAL\nerror while reading: failure\npsftp> ",
       "error while reading: failure", "Error while reading: failure"},
      {"a.txt", "remote:/www/a.txt => local:LOCAL\nerror while writing local file\npsftp> ",
       "error while writing local file", "Error while writing local file"},
      {"a.txt", "get: unrecognised option '-dash.txt'\npsftp> ",
       "get: unrecognised option '-dash.txt'", "get: unrecognised option '-dash.txt'"},
  };
  Browse();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    ASSERT_TRUE(view.Page(0)->Select(c.select));
    editing.OpenSelected(view.ActivePage());
    EXPECT_TRUE(view.BusyCursor);
    QByteArray answer = c.answer;
    answer.replace("LOCAL", Words(redirector.Written.last()).value(2).toUtf8());
    Feed(answer);
    EXPECT_FALSE(view.BusyCursor);
    EXPECT_FALSE(driver.Busy());
    EXPECT_EQ(view.Status[0], c.shown);
    EXPECT_EQ(view.StatusToolTip[0], c.line);
    EXPECT_TRUE(view.DebugText.contains("Refused: " + c.line + "\n"));
  }
  // The next command still pairs with its own answer.
  view.Page(0)->Select("[sub]");
  editing.OpenSelected(view.ActivePage());
  Feed("Remote directory is now /www/sub\npsftp> ");
  Feed(
      "Listing directory /www/sub\n"
      "drwxr-xr-x    2 root     root         4096 Dec 10 00:10 ..\npsftp> ");
  EXPECT_EQ(view.Page(0)->Items, QStringList{"[..]"});
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, UnreadableDirectoryIsARefusalNotAnEmptyListing) {
  Browse();
  view.Page(0)->Select("[sub]");
  editing.OpenSelected(view.ActivePage());
  Feed("Remote directory is now /www/locked\npsftp> ");
  Feed(
      "Listing directory /www/locked\n"
      "Unable to open /www/locked: permission denied\npsftp> ");
  EXPECT_EQ(view.Status[0], "Permission denied: locked");
  EXPECT_EQ(view.StatusToolTip[0], "Unable to open /www/locked: permission denied");
  EXPECT_EQ(driver.Directories().Find("/www/locked"), nullptr);
  EXPECT_EQ(view.Page(0)->Items, kWwwItems);  // the page keeps what it showed
  EXPECT_FALSE(driver.Busy());
  EXPECT_FALSE(view.BusyCursor);
}

TEST_F(DriverTest, RefusedUploadLeavesThePageUnsaved) {
  Browse();
  OpenNotes("v1\n");
  view.Page(0)->SetSaved(false);
  Upload();
  EXPECT_EQ(view.Status[0], "Saving...");
  EXPECT_TRUE(driver.UploadPending());
  const QString temp = Words(redirector.Written.last()).value(2);
  Feed((temp + ": open for write: permission denied\npsftp> ").toUtf8());
  // A folder that takes no new file may still let the file be written: it
  // is, in place; nothing was made to remove.
  const QString local = view.Page(0)->Document().LocalPath;
  EXPECT_EQ(redirector.Written.last(), "put \"" + local.toUtf8() + "\" \"/www/my notes.txt\"");
  EXPECT_TRUE(driver.UploadPending());
  EXPECT_FALSE(view.Page(0)->Saved());
  Feed("/www/my notes.txt: open for write: permission denied\npsftp> ");
  EXPECT_FALSE(view.Page(0)->Saved());
  EXPECT_EQ(view.Status[0],
            "my notes.txt was not saved: the server does not let you write there. Nothing on the "
            "server was changed; your text is still here.");
  EXPECT_EQ(view.StatusToolTip[0], "/www/my notes.txt: open for write: permission denied");
  EXPECT_FALSE(view.Page(0)->Document().LastSaveCut);
  EXPECT_FALSE(driver.UploadPending());
  EXPECT_FALSE(driver.Busy());
  // The next state brings no stale tooltip along.
  Upload();
  EXPECT_EQ(view.Status[0], "Saving...");
  EXPECT_EQ(view.StatusToolTip[0], "");
}

// A copy psftp could not open was never made: nothing is removed, as a
// name this save did not make is never removed.
TEST_F(DriverTest, ACopyThatWasNeverMadeIsNotRemoved) {
  Browse();
  OpenNotes("v1\n");
  view.Page(0)->SetSaved(false);
  Upload();
  const QString temp = Words(redirector.Written.last()).value(2);
  const qsizetype written = redirector.Written.size();
  Feed((temp + ": open for write: failure\npsftp> ").toUtf8());
  EXPECT_EQ(redirector.Written.size(), written);
  EXPECT_FALSE(driver.Busy());
  EXPECT_FALSE(view.Page(0)->Saved());
  EXPECT_EQ(view.Status[0],
            "my notes.txt was not saved: the server would not create a file there. The file on the "
            "server is unchanged; your text is still here.");
}

TEST_F(DriverTest, DownloadLoadsThePendingPageEvenAfterATabSwitch) {
  Browse();
  view.AddPage();
  view.Page(0)->Select("my notes.txt");
  editing.OpenSelected(view.ActivePage());
  EXPECT_EQ(Words(redirector.Written.last()).mid(0, 2), (QStringList{"get", "/www/my notes.txt"}));
  EXPECT_TRUE(view.BusyCursor);
  view.Active = 1;
  Feed(Got("hello\n"));
  FakePage* page = view.Page(0);
  EXPECT_EQ(page->Text, "hello\n");
  EXPECT_EQ(page->Caption(), "my notes.txt");
  EXPECT_EQ(page->RemoteFileName(), "/www/my notes.txt");
  EXPECT_EQ(page->DocumentChanges, 1);
  EXPECT_EQ(view.Page(1)->Caption(), "Untitled");
  EXPECT_FALSE(view.BusyCursor);
  EXPECT_TRUE(view.DebugText.contains("Remote filename: /www/my notes.txt\n"));
  EXPECT_TRUE(view.DebugText.contains("Local filename: my notes.txt\n"));
  // The work file psftp wrote has become the local copy, in the page's own
  // folder.
  const QString folder = page->Document().LocalFolder;
  EXPECT_TRUE(folder.startsWith(GetTempFolder() + "page-")) << folder.toStdString();
  EXPECT_EQ(page->Document().LocalPath, folder + "my notes.txt");
  QFile copy(page->Document().LocalPath);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), "hello\n");
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"my notes.txt"});
}

TEST_F(DriverTest, MissingLocalCopyIsReported) {
  Browse();
  view.Page(0)->Select("a.txt");
  editing.OpenSelected(view.ActivePage());
  const QString work = Words(redirector.Written.last()).value(2);
  Feed("remote:/www/a.txt => local:" + work.toUtf8() + "\npsftp> ");
  ASSERT_EQ(view.Errors.size(), 1);
  EXPECT_EQ(view.Errors[0], "Unable to load local file: a.txt");
  EXPECT_EQ(view.Page(0)->Caption(), "Untitled");
}

TEST_F(DriverTest, ResultForAClosedTabIsDroppedAndTheBusyStateClears) {
  Browse();
  view.AddPage();
  view.Active = 1;
  view.Page(1)->SetDir(view.Page(0)->Dir());
  view.Page(1)->Select("a.txt");
  editing.OpenSelected(view.ActivePage());
  view.ClosePage(1, editing);
  Feed(Got("x", "/www/a.txt"));
  EXPECT_FALSE(view.BusyCursor);
  EXPECT_TRUE(QDir(GetTempFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_EQ(view.Page(0)->Caption(), "Untitled");
  EXPECT_TRUE(view.DebugText.contains("dropped"));
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, RelistingUpdatesEveryPageShowingTheDirectory) {
  Browse();
  view.AddPage()->SetDir(view.Page(0)->Dir());
  view.AddPage();  // shows nothing: left alone
  view.Active = 1;
  view.Page(1)->Select("[..]");
  editing.OpenSelected(view.ActivePage());
  Feed("Remote directory is now /www\npsftp> ");
  Feed(
      "Listing directory /www\n"
      "-rw-r--r--    1 root     root            6 Dec 10 00:10 new.txt\npsftp> ");
  EXPECT_EQ(view.Page(0)->Items, QStringList{"new.txt"});
  EXPECT_EQ(view.Page(1)->Items, QStringList{"new.txt"});
  EXPECT_TRUE(view.Page(2)->Items.isEmpty());
  EXPECT_EQ(driver.Directories().Count(), 1);
}

// A listing is taken only for the directory psftp was seen to enter.
TEST_F(DriverTest, ListingOfAnotherDirectoryIsRefused) {
  for (const QByteArray& header :
       {QByteArray("Listing directory "), QByteArray("Listing directory /etc"), QByteArray("x")}) {
    SCOPED_TRACE(header.toStdString());
    Browse();
    view.Page(0)->Select("[sub]");
    editing.OpenSelected(view.ActivePage());
    Feed("Remote directory is now /www/sub\npsftp> ");
    Feed(header + "\n-rw-r--r--    1 root     root     1 Dec 10 00:10 passwd\npsftp> ");
    EXPECT_EQ(view.Page(0)->Items, kWwwItems);
    EXPECT_EQ(driver.Directories().Find("/etc"), nullptr);
    EXPECT_EQ(view.Status[0], header.trimmed());
    EXPECT_FALSE(driver.Busy());
    EXPECT_FALSE(view.BusyCursor);
    driver.StartConversation();
    redirector.Written.clear();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, DoubleClickAsksAboutBinaryNamesAndQuotesWhatItSends) {
  struct Case {
    QString line;  // entry name in the listing; directories start with "d"
    bool directory;
    bool asks;
    bool answer;
    QByteArray written;  // the command up to the local name; empty: nothing written
  } cases[] = {
      {"..", true, false, true, "cd \"/www/..\""},
      {"tool.exe", false, true, true, "get \"/www/tool.exe\""},
      {"tool.exe", false, true, false, ""},
      {"shot.PNG", false, false, true, "get \"/www/shot.PNG\""},
      {"archive.zip", false, false, true, "get \"/www/archive.zip\""},
      {"photo.e", false, true, true, "get \"/www/photo.e\""},
      {"ends.", false, true, true, "get \"/www/ends.\""},
      {"pics.png", true, true, true, "cd \"/www/pics.png\""},
      {"say \"hi\".txt", false, false, true, "get \"/www/say \"\"hi\"\".txt\""},
      {"my notes.txt", false, false, true, "get \"/www/my notes.txt\""},
      // A backslash is an ordinary character on the server, and a leading
      // dash no option once the name is a full path.
      {"back\\slash.txt", false, false, true, "get \"/www/back\\slash.txt\""},
      {"-r", false, false, true, "get \"/www/-r\""},
      {"-dir", true, false, true, "cd \"/www/-dir\""},
  };
  Browse();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    TDir* dir = view.Page(0)->Dir();
    dir->Clear();
    auto file = std::make_unique<TFile>(c.line);
    file->SetIsDirectory(c.directory);
    dir->AddFile(std::move(file));
    view.Page(0)->PopulateDirListBox();
    redirector.Written.clear();
    prompts.Confirms.clear();
    prompts.ConfirmAnswers = {c.answer};
    view.Page(0)->Selected = 0;
    editing.OpenSelected(view.ActivePage());
    EXPECT_EQ(prompts.Confirms.size(), c.asks ? 1 : 0);
    if (c.asks) {
      EXPECT_EQ(prompts.Confirms[0], c.line + " may be a binary file. Download anyway?");
    }
    EXPECT_EQ(redirector.Written.value(0).left(c.written.size()), c.written);
    EXPECT_EQ(view.BusyCursor, !c.written.isEmpty());
    if (!c.written.isEmpty())
      Feed(c.directory ? "Directory x: no such file or directory\npsftp> "
                       : "x: open for read: no such file or directory\npsftp> ");
  }
}

TEST_F(DriverTest, NameWithALineBreakIsRefusedAndNothingIsWritten) {
  Browse();
  // A server can list such a name, but it splits psftp's listing line, so
  // the entry is made by hand here.
  TDir* dir = view.Page(0)->Dir();
  ASSERT_NE(dir, nullptr);
  dir->Clear();
  dir->AddFile(std::make_unique<TFile>("bad\nname"));
  view.Page(0)->PopulateDirListBox();
  view.Page(0)->Selected = 0;
  redirector.Written.clear();
  EXPECT_THROW(editing.OpenSelected(view.ActivePage()), Exception);
  EXPECT_TRUE(redirector.Written.isEmpty());
  EXPECT_FALSE(view.BusyCursor);
}

TEST_F(DriverTest, PageShowingAnotherDirectoryNamesItsEntriesInFull) {
  Browse();
  view.AddPage()->SetDir(view.Page(0)->Dir());
  view.Page(0)->Select("[sub]");
  editing.OpenSelected(view.ActivePage());
  Feed("Remote directory is now /www/sub\npsftp> ");
  Feed(
      "Listing directory /www/sub\n"
      "-rw-r--r--    1 root     root     1 Dec 10 00:10 inner.txt\npsftp> ");
  view.Active = 1;  // still shows /www while psftp is in /www/sub
  view.Page(1)->Select("my notes.txt");
  editing.OpenSelected(view.ActivePage());
  EXPECT_EQ(Words(redirector.Written.last()).value(1), "/www/my notes.txt");
}

TEST_F(DriverTest, SaveWritesTheLocalCopyAndSendsPut) {
  Browse();
  OpenNotes("old");
  view.Page(0)->Text = "new";
  view.Page(0)->SetSaved(false);
  Upload();
  const QString local = view.Page(0)->Document().LocalPath;
  EXPECT_TRUE(local.startsWith(GetTempFolder() + "page-")) << local.toStdString();
  const QByteArrayList first = {redirector.Written.last()};
  QFile file(local);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "new");
  EXPECT_FALSE(view.Page(0)->Saved());
  const qsizetype before = redirector.Written.size() - 1;
  SaveAnswered();
  // The text goes to a hidden name of its own beside the file, which is then
  // given the file's mode and swapped in; R is the same random part in all.
  const QByteArray r = Words(first[0]).value(2).section("quillery-", 1).left(12).toUtf8();
  ASSERT_EQ(r.size(), 12);
  const QByteArray temp = "/www/.my notes.txt.quillery-" + r + ".new";
  const QByteArray backup = "/www/.my notes.txt.quillery-" + r + ".old";
  EXPECT_EQ(redirector.Written.mid(before),
            (QByteArrayList{"put \"" + local.toUtf8() + "\" \"" + temp + "\"",
                            "chmod \"0644\" \"" + temp + "\"",
                            "mv \"/www/my notes.txt\" \"" + backup + "\"",
                            "mv \"" + temp + "\" \"/www/my notes.txt\"", "rm \"" + backup + "\"",
                            "ls \"/www/[m]y notes.txt\""}));
  EXPECT_TRUE(view.Page(0)->Saved());
  EXPECT_EQ(view.Status[0], "Saved");
  // The saved file alone is listed, for the list; not the folder.
  EXPECT_EQ(redirector.Written.last(), "ls \"/www/[m]y notes.txt\"");
}

TEST_F(DriverTest, SaveWhileTheListingAfterAnUploadRunsStillCompletes) {
  Browse();
  OpenNotes("v1");
  view.Page(0)->SetSaved(false);
  Upload();
  SaveAnswered();  // saved; the "ls" of the saved file goes out
  view.Page(0)->Text = "v2";
  view.Page(0)->SetSaved(false);
  view.AddPage();
  view.Active = 1;  // the user moves on before the second result
  view.Active = 0;
  Upload();  // waits while the listing is still owed
  EXPECT_EQ(redirector.Written.last(), "ls \"/www/[m]y notes.txt\"");
  EXPECT_TRUE(driver.UploadPending());
  view.Active = 1;
  Feed(kLsWww);
  SaveAnswered();
  EXPECT_TRUE(view.Page(0)->Saved());
  EXPECT_TRUE(view.Page(1)->Saved());  // untouched: never edited
  EXPECT_EQ(view.Status[0], "Saved");
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

TEST_F(DriverTest, SaveAsNamesStayInsideTheDownloadFolder) {
  Browse();
  struct Case {
    QString name;
    bool accepted;
    QString caption;
  } cases[] = {
      {"index.html", true, "index.html"},   {"site/page.html", true, "page.html"},
      {"/etc/passwd", false, "Untitled"},   {"../escape.txt", false, "Untitled"},
      {"a/../../b.txt", false, "Untitled"}, {"", false, "Untitled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    FakePage* page = view.AddPage();
    view.Active = view.PageCount() - 1;
    prompts.TextAnswer = c.name;
    prompts.Errors.clear();
    redirector.Written.clear();
    page->Text = "<html></html>";
    editing.Save(view.ActivePage());
    EXPECT_EQ(prompts.Errors.isEmpty(), c.accepted);
    if (c.accepted) {
      // The check finds no such file in psftp's current directory.
      EXPECT_EQ(Words(redirector.Written.value(0)).value(0), "ls");
      Feed("Listing directory /www\npsftp> ");
      EXPECT_EQ(page->Caption(), c.caption);
      const QString local = page->Document().LocalFolder + c.name;
      EXPECT_TRUE(QFile::exists(local));
      // Never downloaded, and not on the server: the file takes the local
      // name in psftp's current directory, a new file with nothing to swap.
      EXPECT_EQ(Words(redirector.Written.last()), (QStringList{"put", local}));
      Feed("refused\npsftp> ");
    } else {
      EXPECT_EQ(page->Caption(), c.caption);
      EXPECT_TRUE(redirector.Written.isEmpty());
    }
  }
  prompts.TextResult = false;
  redirector.Written.clear();
  editing.Save(view.ActivePage());
  EXPECT_TRUE(redirector.Written.isEmpty());
}

TEST_F(DriverTest, DropOnTheListUploadsAfterTheQuestion) {
  EXPECT_THROW(editing.Drop(view.ActivePage(), false, {"/tmp/a"}), Exception);
  Browse();
  redirector.Written.clear();
  editing.Drop(view.ActivePage(), true, {"/tmp/a", "/tmp/b"});
  EXPECT_EQ(prompts.Messages, QStringList{"You can drop only one file at a time!"});
  prompts.ConfirmAnswers = {false};
  editing.Drop(view.ActivePage(), true, {"/tmp/my file"});
  EXPECT_EQ(prompts.Confirms.last(), "Upload the file /tmp/my file to the server?");
  EXPECT_TRUE(redirector.Written.isEmpty());
  editing.Drop(view.ActivePage(), true, {"/tmp/my file"});
  EXPECT_EQ(redirector.Written, QByteArrayList{"put \"/tmp/my file\" \"/www/my file\""});
  EXPECT_EQ(view.Status[0], "Uploading...");
  Feed("local:/tmp/my file => remote:/www/my file\npsftp> ");
  EXPECT_EQ(view.Status[0], "Saved");
  EXPECT_EQ(redirector.Written.last(), "ls \"/www/[m]y file\"");
}

// A long listing and a download show how far they have come, and panel 0
// gets its own text back when they end.
TEST_F(DriverTest, ProgressIsShownWhileAnswersArriveAndThenCleared) {
  Browse();
  view.Page(0)->Select("[sub]");
  editing.OpenSelected(view.ActivePage());
  Feed("Remote directory is now /www/sub\npsftp> ");
  Feed("Listing directory /www/sub\n");
  QByteArray lines;
  for (int i = 0; i < 1200; ++i)
    lines += "-rw-r--r--    1 root     root     1 Dec 10 00:10 f" + QByteArray::number(i) + "\n";
  Feed(lines);
  ASSERT_TRUE(WaitFor([&] { return view.Status[0] == "Listing... 1200 entries"; }, 3000))
      << view.Status[0].toStdString();
  Feed("psftp> ");
  EXPECT_EQ(view.Status[0], "Connected");
  EXPECT_EQ(view.Page(0)->Items.size(), 1200);

  // The download's size comes from the listing; its progress from the bytes
  // psftp has written so far.
  ASSERT_TRUE(view.Page(0)->Select("f7"));
  TFile* file = view.Page(0)->SelectedFile();
  file->SetSize(1000);
  editing.OpenSelected(view.ActivePage());
  QFile work(Words(redirector.Written.last()).value(2));
  ASSERT_TRUE(work.open(QIODevice::WriteOnly));
  work.write(QByteArray(450, 'x'));
  work.flush();
  ASSERT_TRUE(WaitFor([&] { return view.Status[0] == "Downloading... 45%"; }, 3000))
      << view.Status[0].toStdString();
  work.close();
  Feed("remote:/www/sub/f7 => local:" + work.fileName().toUtf8() + "\npsftp> ");
  EXPECT_EQ(view.Status[0], "Connected");
  EXPECT_EQ(view.Page(0)->Caption(), "f7");
}

// Progress stands in for a refusal only while it lasts: the refusal comes
// back with psftp's line as its tooltip.
TEST_F(DriverTest, ProgressGivesBackARefusalWithItsToolTip) {
  Browse();
  ASSERT_TRUE(view.Page(0)->Select("a.txt"));
  editing.OpenSelected(view.ActivePage());
  Feed("/www/a.txt: open for read: permission denied\npsftp> ");
  ASSERT_TRUE(view.Page(0)->Select("my notes.txt"));
  view.Page(0)->SelectedFile()->SetSize(1000);
  editing.OpenSelected(view.ActivePage());
  ASSERT_TRUE(WaitFor([&] { return view.Status[0].startsWith("Downloading..."); }, 3000))
      << view.Status[0].toStdString();
  EXPECT_EQ(view.StatusToolTip[0], "");
  Feed(Got("text\n"));
  EXPECT_EQ(view.Status[0], "Permission denied: a.txt");
  EXPECT_EQ(view.StatusToolTip[0], "/www/a.txt: open for read: permission denied");
}

// ------------------------------------------------------------ split markers

// Everything the user could see after a scripted session, as one text.
QString Outcome(FakeDriverView& v, RecordingRedirector& r, TConnectionDriver& d,
                const QStringList& reported) {
  QStringList out;
  // Work file names are random; what matters is that the same one is used.
  QString written = QString::fromUtf8(r.Written.join(" | "));
  written.replace(QRegularExpression(R"(\.get-\d+-[0-9a-z]{13})"), ".get-N");
  written.replace(QRegularExpression("page-[0-9a-f]{16}"), "page-N");
  written.replace(QRegularExpression("quillery-[0-9a-f]{12}"), "quillery-R");
  out << "written: " + written;
  for (const auto& [index, text] : v.Status) out << QString("status %1: %2").arg(index).arg(text);
  out << "connected: " + QString::number(d.Connected()) << "dir: " + d.CurrentDir()
      << "busy: " + QString::number(v.BusyCursor) << "pending: " + QString::number(d.Busy());
  for (int i = 0; i < v.PageCount(); ++i) {
    FakePage* p = v.Page(i);
    out << QString("page %1: %2 / %3 / %4 / saved %5 / %6")
               .arg(i)
               .arg(p->Caption(), QString::fromUtf8(p->RemoteFileName()),
                    QString::fromUtf8(p->Text))
               .arg(p->Saved())
               .arg(p->Items.join(", "));
  }
  out << "errors: " + v.Errors.join(", ") << "reported: " + reported.join(", ");
  // The driver's own log lines; the raw pieces it also logs differ with the split.
  for (const QString& line : v.DebugText.split('\n'))
    if (line.startsWith("Refused: ") || line.endsWith("filename: /www/my notes.txt") ||
        line == "OnListDirectory finished")
      out << "log: " + line;
  return out.join('\n');
}

TEST_F(DriverTest, MarkersSplitAtAnyByteActOnce) {
  // The transfer answers name the files the driver asked for, so they are
  // made from the command just written.
  RecordingRedirector* current = nullptr;
  auto got = [&] {
    const QStringList words = Words(current->Written.last());
    QFile file(words.value(2));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text\n");
    return "remote:/www/my notes.txt => local:" + words.value(2).toUtf8() + "\npsftp> ";
  };
  // A save is five answers: put, chmod, mv, mv, rm.
  const QList<QByteArray> fixed = {
      kLogin, kCdWww, kLsWww, "",    "Directory /nope: no such file or directory\npsftp> ", "", "",
      "",     "",     "",     kLsWww};
  auto piece = [&](int i) {
    return i == 3 ? got() : (i >= 5 && i <= 9) ? Done(current->Written.last()) : fixed[i];
  };
  QList<QByteArray> pieces = fixed;
  // Between the pieces the user opens a file, tries a folder and saves.
  auto session = [&](const std::function<void(int, const QByteArray&)>& feed, FakeDriverView& v,
                     TConnectionDriver& d, TRemoteEditor& e) {
    for (int i = 0; i < pieces.size(); ++i) {
      if (i == 3) {
        v.Page(0)->Select("my notes.txt");
        e.OpenSelected(v.ActivePage());
      }
      if (i == 4) {
        v.Page(0)->Select("[sub]");
        e.OpenSelected(v.ActivePage());
      }
      if (i == 5) d.Save(v.ActivePage(), v.ActivePage()->Document().LocalPath);
      feed(i, piece(i));
    }
  };
  auto run = [&](int splitPiece, int at) {
    FakeDriverView v;
    v.Values = view.Values;
    RecordingRedirector r;
    current = &r;
    TConnectionDriver d(v, r);
    TScriptedPrompts p;
    TRemoteEditor e(d, p);
    d.Connect(v.Values, v.ActivePage());
    d.StartConversation();
    QStringList errors;
    auto keep = ErrorReport::SetHandler([&](const QString& m) { errors << m; });
    session(
        [&](int i, const QByteArray& recorded) {
          const QByteArray piece = r.Answered(recorded);
          if (i == splitPiece && at == -1) {
            for (char byte : piece) d.VirtualRedirectorInput(&r, QByteArray(1, byte));
          } else if (i == splitPiece) {
            d.VirtualRedirectorInput(&r, piece.left(at));
            d.VirtualRedirectorInput(&r, piece.mid(at));
          } else {
            d.VirtualRedirectorInput(&r, piece);
          }
        },
        v, d, e);
    ErrorReport::SetHandler(keep);
    return Outcome(v, r, d, errors);
  };

  const QString whole = run(-2, 0);
  // Nominal pieces for the split positions: the work file names have one length.
  pieces[3] =
      "remote:/www/my notes.txt => local:" + (WorkFilePrefix(".get-") + "0000000000000").toUtf8() +
      "\npsftp> ";
  const QByteArray temp = "/www/.my notes.txt.quillery-000000000000.new";
  const QByteArray backup = "/www/.my notes.txt.quillery-000000000000.old";
  pieces[5] = "local:" + (GetTempFolder() + "page-" + QString(16, '0') + "/my notes.txt").toUtf8() +
              " => remote:" + temp + "\npsftp> ";
  pieces[6] = temp + ": 0600 -> 0644\npsftp> ";
  pieces[7] = "/www/my notes.txt -> " + backup + "\npsftp> ";
  pieces[8] = temp + " -> /www/my notes.txt\npsftp> ";
  pieces[9] = "rm " + backup + ": OK\npsftp> ";
  EXPECT_TRUE(whole.contains("log: Refused: Directory /nope: no such file or directory"))
      << whole.toStdString();
  // The folder is listed once, at the start: after the save only the saved
  // file's name is listed, for the list.
  EXPECT_EQ(whole.count("log: OnListDirectory finished"), 1) << whole.toStdString();
  EXPECT_TRUE(whole.contains("page 0: my notes.txt / /www/my notes.txt / text\n / saved 1"))
      << whole.toStdString();
  // Every answer but the login's ends with psftp's refusal of the closing
  // command, whose path has one length.
  const int closing = QByteArray("lcd: unable to change directory: /dev/null/" +
                                 QByteArray(32, '0') + ": chdir: Not a directory\npsftp> ")
                          .size();
  for (int i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(run(i, -1), whole) << "piece " << i << " byte by byte";
    for (int at = 1; at < pieces[i].size() + (i == 0 ? 0 : closing); ++at)
      ASSERT_EQ(run(i, at), whole) << "piece " << i << " split at " << at;
  }
}

// ------------------------------------------------------------ psftp's questions

TEST_F(DriverTest, HostKeyQuestionIsRaisedAndAnswered) {
  FeedError("Host key fingerprint is:\nssh-ed25519 255 SHA256:abc\n");
  FeedError(
      "The host key is not cached for this server:\n  127.0.0.1 (port 2222)\n"
      "The server's ssh-ed25519 key fingerprint is:\n  ssh-ed25519 255 SHA256:abc\n"
      "Store key in cache? (y/n, Return cancels connection, i for more info) ");
  ASSERT_EQ(view.HostKeyRequests.size(), 1u);
  const THostKeyRequest& request = view.HostKeyRequests[0];
  EXPECT_EQ(request.Kind, THostKeyRequest::hkNewKey);
  EXPECT_EQ(request.Host, "127.0.0.1");
  EXPECT_EQ(request.Port, 2222);
  EXPECT_EQ(request.KeyType, "ssh-ed25519 255");
  EXPECT_EQ(request.Fingerprint, "SHA256:abc");
  EXPECT_TRUE(view.DebugText.contains("Store key in cache?"));

  // One question, one answer: psftp would read a second line as a command.
  driver.AnswerHostKey(THostKeyAnswer::Trust);
  driver.AnswerHostKey(THostKeyAnswer::Once);
  EXPECT_EQ(redirector.Raw, (QByteArrayList{"y\n"}));
}

TEST_F(DriverTest, EachHostKeyAnswerIsWrittenAsPsftpReadsIt) {
  const struct {
    QByteArray question;
    THostKeyAnswer answer;
    QByteArray written;
  } cases[] = {
      {"Store key in cache? (y/n, Return cancels connection, i for more info) ",
       THostKeyAnswer::Trust, "y\n"},
      {"Store key in cache? (y/n, Return cancels connection, i for more info) ",
       THostKeyAnswer::Once, "n\n"},
      {"Update cached key? (y/n, Return cancels connection, i for more info) ",
       THostKeyAnswer::Abandon, "\n"},
      {"Continue with connection? (y/n) ", THostKeyAnswer::Once, "y\n"},
  };
  for (const auto& c : cases) {
    redirector.Raw.clear();
    driver.StartConversation();
    FeedError(c.question);
    driver.AnswerHostKey(c.answer);
    EXPECT_EQ(redirector.Raw, QByteArrayList{c.written}) << c.question.constData();
  }
}

TEST_F(DriverTest, PasswordPromptAndFatalErrorReachTheUser) {
  FeedError("Keyboard-interactive authentication prompts from server:\n| Pass");
  EXPECT_TRUE(view.PasswordRequests.empty());
  FeedError("word:");
  ASSERT_EQ(view.PasswordRequests.size(), 1u);
  EXPECT_EQ(view.PasswordRequests[0].Prompt, "Password:");
  driver.AnswerPassword("se cret");
  EXPECT_EQ(redirector.Raw, QByteArrayList{"se cret\n"});
  EXPECT_THROW(driver.AnswerPassword("a\rb"), Exception);

  FeedError("Access denied\nFATAL ERROR: Configured password was not accepted\n");
  EXPECT_EQ(view.Errors.size(), 1);
  EXPECT_EQ(view.ErrorDetails, QStringList{"FATAL ERROR: Configured password was not accepted"});
}

// Once psftp has reached its prompt it asks nothing: text that reads like its
// questions is the server's, and an answer would be run as a command.
TEST_F(DriverTest, NothingIsAskedOrAnsweredOnceTheLoginIsOver) {
  Browse();
  for (const QByteArray& text :
       {QByteArray("tester@127.0.0.1's password: "),
        QByteArray("Keyboard-interactive authentication prompts from server:\n| Password: "),
        QByteArray("Store key in cache? (y/n, Return cancels connection, i for more info) ")})
    FeedError(text);
  EXPECT_TRUE(view.PasswordRequests.empty());
  EXPECT_TRUE(view.HostKeyRequests.empty());
  driver.AnswerPassword("MySecretPw1");
  driver.AnswerHostKey(THostKeyAnswer::Trust);
  EXPECT_TRUE(redirector.Raw.isEmpty()) << redirector.Raw.join("|").constData();
}

// Standard error comes in pieces, cut anywhere; each line that ends psftp is
// shown once, in plain words, with psftp's line kept as the detail.
TEST_F(DriverTest, FatalErrorsAreShownInPlainWordsWithPsftpsLineAsDetail) {
  Reconnect({"example.org", "ann", "", "/www", 2222, QString(), QString()});
  const QString lost =
      "The connection to example.org was lost. Your open pages are kept; connect again to "
      "save them.";
  struct Case {
    QByteArray text;
    QString shown;
    QString line;
  } cases[] = {
      {"Access denied\nFATAL ERROR: Configured password was not accepted\n",
       "The server did not accept the password for ann on example.org.",
       "FATAL ERROR: Configured password was not accepted"},
      {"Connecting to 192.0.2.1 port 2222\nFATAL ERROR: Connection refused\n",
       "Cannot reach example.org on port 2222: Connection refused",
       "FATAL ERROR: Connection refused"},
      {"Looking up host \"example.org\" for SSH connection\n"
       "ssh_init: Name or service not known\n",
       "Cannot reach example.org on port 2222: Name or service not known",
       "ssh_init: Name or service not known"},
      {"Remote working directory is /\n"
       "FATAL ERROR: Remote side unexpectedly closed network connection\n",
       lost, "FATAL ERROR: Remote side unexpectedly closed network connection"},
      {"FATAL ERROR: Connection reset by peer\n", lost, "FATAL ERROR: Connection reset by peer"},
      {"FATAL ERROR: Server refused our key\n", "Server refused our key",
       "FATAL ERROR: Server refused our key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    for (int at = 1; at < c.text.size(); ++at) {
      driver.StartConversation();
      view.Errors.clear();
      view.ErrorDetails.clear();
      view.DebugText.clear();
      FeedError(c.text.left(at));
      FeedError(c.text.mid(at));
      ASSERT_EQ(view.Errors, QStringList{c.shown}) << "split at " << at;
      ASSERT_EQ(view.ErrorDetails, QStringList{c.line}) << "split at " << at;
    }
    EXPECT_TRUE(view.DebugText.contains(c.line));
    EXPECT_TRUE(view.DebugText.contains("Fatal: " + c.shown));
  }
}

}  // namespace

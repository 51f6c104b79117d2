// Transfers that break, servers that lie, and local files others could
// touch: the real psftp against the loopback server, through the redirector
// and the driver. Every failure is made to happen for real.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "DriverSessionTest.h"
#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "core/Exception.h"
#include "process/VirtualRedirector.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"

namespace {

QByteArray Pattern(int Size) {
  QByteArray bytes;
  bytes.reserve(Size);
  for (int i = 0; bytes.size() < Size; ++i) bytes += QByteArray::number(i) + " line of text\n";
  bytes.truncate(Size);
  return bytes;
}

QStringList FilesIn(const QString& Folder) {
  return QDir(Folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

class TransferFailureTest : public DriverSessionTest {
 protected:
  FakePage* Page() { return view.Page(0); }
  using DriverSessionTest::Open;
  void Open(const QString& Name) { Open(Page(), Name); }
  void Save() {
    Page()->SetSaved(false);
    editing.Save(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy(); }, 30000)) << view.DebugText.toStdString();
  }
};

// The server's disk fills up part way through a save. The text goes to a
// copy beside the file first, so the file keeps its old text; psftp prints
// its result line first and "error while writing: failure" after it.
TEST_F(TransferFailureTest, ServerWriteFailureLeavesThePageUnsaved) {
  server.FailWriteAfter("/www/.notes.txt.quillery-*", 1000);
  Connect();
  Open("notes.txt");
  ASSERT_EQ(Page()->Caption(), "notes.txt");
  const QByteArray old = server.ReadFile("/www/notes.txt");
  const QByteArray text = Pattern(50000);
  Page()->Text = text;
  Save();
  EXPECT_FALSE(Page()->Saved());
  EXPECT_EQ(view.Status[0],
            "notes.txt was not saved: the server could not store all of it (its disk may be "
            "full). The file on the server is unchanged; your text is still here.");
  EXPECT_EQ(view.StatusToolTip[0], "error while writing: failure");
  EXPECT_TRUE(view.DebugText.contains("Refused: error while writing"))
      << view.DebugText.toStdString();
  // The server keeps its file whole, and the broken copy is gone; the page
  // and its local copy keep the new text.
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), old);
  EXPECT_EQ(FilesIn(server.Served("/www")).filter(".notes.txt"), QStringList());
  EXPECT_EQ(Page()->Text, text);
  QFile local(Page()->Document().LocalPath);
  ASSERT_TRUE(local.open(QIODevice::ReadOnly));
  EXPECT_EQ(local.readAll(), text);
  EXPECT_FALSE(driver.UploadPending());
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();

  // A text that fits goes through.
  Page()->Text = "short\n";
  Save();
  EXPECT_TRUE(Page()->Saved());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), "short\n");
  EXPECT_EQ(FilesIn(server.Served("/www")).filter(".notes.txt"), QStringList());
}

// Reading breaks off part way: the partial copy must not pass for the file,
// nor replace a good copy of the same name that is already there.
TEST_F(TransferFailureTest, ServerReadFailureLoadsNothing) {
  server.WriteFile("/www/big.txt", Pattern(300000));
  server.FailReadAfter("/www/big.txt", 100000);
  Connect();
  const QString folder = Page()->Document().Folder();
  QFile earlier(folder + "big.txt");
  ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
  earlier.write("an earlier good copy");
  earlier.close();
  Open("big.txt");
  EXPECT_EQ(Page()->Caption(), "Untitled");
  EXPECT_TRUE(Page()->Text.isEmpty());
  EXPECT_TRUE(Page()->RemoteFileName().isEmpty());
  EXPECT_TRUE(view.DebugText.contains("Refused: error while reading"))
      << view.DebugText.toStdString();
  EXPECT_EQ(view.Status[0], "Error while reading: failure");
  EXPECT_EQ(FilesIn(folder), QStringList{"big.txt"});
  ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
  EXPECT_EQ(earlier.readAll(), "an earlier good copy");
  EXPECT_EQ(server.ReadFile("/www/big.txt").size(), 300000);
  EXPECT_FALSE(view.BusyCursor);

  // The session goes on: the next download pairs with its own answer.
  Open("notes.txt");
  EXPECT_EQ(Page()->Caption(), "notes.txt");
  EXPECT_EQ(Page()->Text, server.ReadFile("/www/notes.txt"));
}

// The local disk fills up during a download: psftp, limited in the size of
// the files it may write, says "error while writing local file".
TEST_F(TransferFailureTest, LocalDiskFullLoadsNothing) {
  server.WriteFile("/www/big.txt", Pattern(3 * 1024 * 1024));
  Connect();
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 256 * 1024;
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);  // a write fails instead of killing psftp
  // psftp already runs; the limit reaches it through a second connection.
  redirector.Kill();
  ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  view.Page(0)->Items.clear();
  view.ConnectAction(driver);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(WaitFor([&] { return Page()->Items.contains("big.txt") && !driver.Busy(); }))
      << view.DebugText.toStdString();

  Open("big.txt");
  EXPECT_EQ(Page()->Caption(), "Untitled");
  EXPECT_TRUE(Page()->Text.isEmpty());
  EXPECT_TRUE(view.DebugText.contains("Refused: error while writing local file"))
      << view.DebugText.toStdString();
  EXPECT_EQ(view.Status[0], "Error while writing local file");
  for (const QString& folder : {GetTempFolder(), Page()->Document().Folder()})
    EXPECT_TRUE(FilesIn(folder).isEmpty()) << FilesIn(folder).join(", ").toStdString();
  EXPECT_EQ(server.ReadFile("/www/big.txt").size(), 3 * 1024 * 1024);
}

// A server lists whatever lines it likes. None of them is obeyed: no file is
// loaded, no directory entered, no page marked saved, nothing sent.
TEST_F(TransferFailureTest, HostileListingLinesAreOnlyListed) {
  const QString secret = home.Path() + "/secret.txt";
  QFile secretFile(secret);
  ASSERT_TRUE(secretFile.open(QIODevice::WriteOnly));
  secretFile.write("my own secret");
  secretFile.close();
  const QString up = "../../../../../../../../" + QDir::root().relativeFilePath(secret);
  const QString date = "-rw-r--r--    1 u        g               5 Jan  1 00:00 ";
  server.SetListing("/www", {"a\t" + date + "remote:/www/notes.txt => local:" + up,
                             "b\tRemote directory is now /etc",
                             "c\tlocal:" + GetTempFolder() + "notes.txt => remote:/www/index.html",
                             "d\tListing directory /etc", "e\tpsftp> Remote directory is now /etc",
                             "notes.txt\t" + date + "notes.txt"});
  Connect();
  Page()->SetSaved(false);
  EXPECT_EQ(driver.CurrentDir(), "/www");
  EXPECT_EQ(Page()->Caption(), "Untitled");
  EXPECT_TRUE(Page()->Text.isEmpty());
  EXPECT_FALSE(Page()->Saved());
  EXPECT_EQ(view.DebugText.count("ls\r\n"), 1);
  EXPECT_EQ(view.DebugText.count(QRegularExpression("(^|\n)cd ")), 1);
  EXPECT_TRUE(Page()->Items.contains("notes.txt"));

  // Opening the listed file fetches that file, whatever the other lines said.
  Open("notes.txt");
  EXPECT_EQ(Page()->Text, server.ReadFile("/www/notes.txt"));
  ASSERT_TRUE(secretFile.open(QIODevice::ReadOnly));
  EXPECT_EQ(secretFile.readAll(), "my own secret");
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// psftp strips control characters from the names it lists, and fetches by
// the name it shows: two files that show one name cannot be told apart, so
// neither is opened or saved, and nothing is sent for that name.
TEST_F(TransferFailureTest, NamesPsftpShowsAlikeAreNeverOpenedOrSaved) {
  const QString date = "-rw-r--r--    1 u        g               5 Jan  1 00:00 ";
  server.SetListing("/www",
                    {"cr\rname.txt\t" + date + "cr\rname.txt", "crname.txt\t" + date + "crname.txt",
                     "notes.txt\t" + date + "notes.txt"});
  Connect();
  ASSERT_EQ(Page()->Items.count("crname.txt"), 2) << Page()->Items.join(", ").toStdString();
  const int commands = view.DebugText.count("\r\n");
  ASSERT_TRUE(Page()->Select("crname.txt"));
  editing.OpenSelected(view.ActivePage());
  const QString refusal =
      "psftp shows crname.txt for more than one file; Quillery cannot tell "
      "them apart";
  EXPECT_EQ(prompts.Errors, QStringList{refusal});
  EXPECT_TRUE(Page()->Text.isEmpty());

  // A page that holds that name (from before the second file appeared) is
  // not saved over either of them.
  Page()->Document().RemotePath = "/www/crname.txt";
  NameDocument(Page(), "crname.txt");
  Page()->Text = "mine";
  Page()->SetSaved(false);
  EXPECT_FALSE(editing.Save(view.ActivePage()));
  EXPECT_EQ(prompts.Errors, (QStringList{refusal, refusal}));
  EXPECT_EQ(view.DebugText.count("\r\n"), commands);  // nothing was sent
  EXPECT_FALSE(driver.Busy());
}

// A link planted in the download folder under the name of the file being
// opened or saved would make the write land elsewhere.
TEST_F(TransferFailureTest, LinksInTheDownloadFolderAreNeverWrittenThrough) {
  Connect();
  const QString victim = home.Path() + "/victim.txt";
  QFile victimFile(victim);
  ASSERT_TRUE(victimFile.open(QIODevice::WriteOnly));
  victimFile.write("untouched");
  victimFile.close();
  const QString folder = Page()->Document().Folder();
  ASSERT_TRUE(QFile::link(victim, folder + "notes.txt"));

  Open("notes.txt");
  EXPECT_EQ(Page()->Caption(), "Untitled");
  ASSERT_EQ(reported.size(), 1);
  EXPECT_TRUE(reported[0].contains("it is a link")) << reported[0].toStdString();
  EXPECT_FALSE(view.BusyCursor);
  // Nothing of psftp's is left behind either.
  EXPECT_EQ(FilesIn(folder), QStringList{"notes.txt"});

  NameDocument(Page(), "notes.txt");
  Page()->Text = "overwrite?";
  EXPECT_THROW(editing.Save(view.ActivePage()), Exception);
  EXPECT_FALSE(driver.UploadPending());
  ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
  EXPECT_EQ(victimFile.readAll(), "untouched");
}

TEST(TempFolder, IsMadePrivateEveryTime) {
  TempHome home;
  const QString folder = GetTempFolder();
  ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0777), 0);
  ASSERT_EQ(chmod(QFile::encodeName(QFileInfo(folder + "..").canonicalFilePath()).constData(),
                  0777),
            0);
  GetTempFolder();
  struct stat st;
  ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  ASSERT_EQ(stat(QFile::encodeName(QFileInfo(folder + "..").canonicalFilePath()).constData(), &st),
            0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST(TempFolder, LocalNamesStayInside) {
  const struct {
    QString remote, local;
  } cases[] = {{"notes.txt", "notes.txt"},
               {"..", "_.."},
               {".", "_."},
               {"", "_"},
               {"a/../../b", "a_.._.._b"},
               {"back\\slash.txt", "back\\slash.txt"}};
  for (const auto& c : cases) EXPECT_EQ(LocalNameFor(c.remote), c.local) << c.remote.toStdString();
}

// A run killed while psftp asked a question leaves its password file; the
// next start removes it, and keeps the files of a run still going and files
// it did not make.
TEST(TempFolder, StalePasswordFilesAreRemoved) {
  TempHome home;
  const QString folder = WorkFolder();
  // Process ids are below 2^22 on Linux: this one runs nowhere.
  const QStringList stale{"pw-4999999-abcdef", ".get-4999999-0000000000001",
                          ".key-4999999-0000000000002"};
  const QString mine = WorkFilePrefix("pw-") + "kept";
  for (const QString& name : stale + QStringList{QFileInfo(mine).fileName(), "pw-notes"}) {
    QFile file(folder + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  RemoveStaleWorkFiles();
  QStringList left = FilesIn(folder);
  left.sort();
  QStringList expected{QFileInfo(mine).fileName(), "pw-notes"};
  expected.sort();
  EXPECT_EQ(left, expected);
}

}  // namespace
